#pragma once
// The engine: the window's main loop, pacing drawing and fixed-length physics steps,
// the keyboard and mouse state handed to the active callback, the measured rates and
// the capability report. There is one, kept in Kettar::engine.

#include <atomic>
#include <cstdint>
#include <string>

#include "kettar/app_config.h"
#include "kettar/callback_interface.h"
#include "kettar/font.h"
#include "kettar/mouse_state.h"

namespace Kettar {

class Stopwatch;

class Engine {
 public:
  Engine(CallbackInterface* callback, AppConfig* appConfig, VideoConfig* videoConfig);
  // Stops the rate timer and frees the engine font.
  virtual ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Runs the main loop until quit is set; returns 1.
  virtual int run() = 0;
  // Opens the window; false when it cannot be opened.
  virtual bool initVideo() { return true; }
  // Drains the window system's events into the callback.
  virtual void pumpEvents() = 0;
  virtual void swapBuffers() = 0;

  // Periods, window, GL entry points, anisotropy, rate timer, report; false when the
  // window or the GL entry points cannot be had.
  bool init();
  // Frame period 1/fps, physics period 1/pps, and one frame's steps owed.
  void initPeriods();
  void clearKeys();
  void printReport();

  // One physics step of the current callback with the physics period.
  void physicsStep();
  // The single-thread loops: paced (sleeping between frames) and turbo (spinning).
  int pacedLoop();
  int turboLoop();
  // Dual-thread mode: drawing here, steps on the physics thread.
  int renderLoop();
  int physicsLoop();

  // The one-second rate timer: frames and steps per second over the interval (ms).
  static uint32_t onStatsTimer(uint32_t interval, void* engine);

  void createFont(Font& record, const std::string& path, int kind, unsigned size);
  // Draws one line in window pixels (y upward from the bottom); null means the engine font.
  void drawText(const std::string& text, int x, int y, const Font* font = nullptr);
  // "FPS: 60 PPS: 500" in the top-left corner with the engine font.
  void drawStats();

  std::string glVersion;         // highest OpenGL version available; empty until the report
  CallbackInterface* current;    // what the loops and the event pump drive; not owned
  MouseState mouse;
  uint8_t keys[kKeyCount] = {};  // 1 while the key with that SDL symbol is down
  Font font;                     // the engine font; null when its file could not be read
  int32_t statsTimer = -1;       // rate timer handle; -1 when none runs
  std::atomic<bool> quit{false};   // set by the quit event and by the game; ends the loops
  std::atomic<bool> pause{false};  // while set no physics steps are made
  std::atomic<float> fps;          // measured over the last rate period; the configured value until then
  std::atomic<float> pps;
  std::atomic<uint32_t> frameCount{0};  // since the last rate tick
  std::atomic<uint32_t> stepCount{0};
  float physicsPeriod = 0.0f;    // seconds per step and the dt of every step
  float framePeriod = 0.0f;
  float pending = 0.0f;          // physics steps owed to the single-thread loops
  float mouseFactor;             // mouseSpeed × 0.00125
  float anisotropy = 1.0f;       // the maximum anisotropy when enabled and available, else 1
  int32_t stencilBits = 0;
  int32_t samples = 0;
  float mouseScale = 0.0025f;
  AppConfig* appConfig;          // the application's requested settings; not owned
  VideoConfig* videoConfig;      // likewise; a resize writes the new size here

 private:
  // Draws and shows one frame timed by frame (restarted first); returns the draw's time,
  // or 0 after a draw of 0.1 s or more, which forgets the steps owed.
  float drawFrame(Stopwatch& frame);
  // Sleeps that long in 0.01 s slices, pumping events after each; a last piece over
  // 1 ms is slept without pumping.
  void sleepPumping(float remaining);
  // The steps owed that fit into the time left of the frame; returns the time left then.
  float stepsInFrame(float remaining);
  int singleThreadLoop(bool spin);
};

// The one engine, set by the application's run while it exists; null otherwise.
extern Engine* engine;

}  // namespace Kettar
