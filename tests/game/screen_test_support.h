#pragma once
// What the screen tests drive the menu, pause and end screens with: a game
// application that records the calls it gets, an engine that never opens a
// window, and presses of keys as the event pump delivers them.

#include <gtest/gtest.h>

#include <cstdint>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "game/level_file.h"
#include "game/screen_host.h"
#include "kettar/app_config.h"
#include "kettar/camera.h"
#include "kettar/engine.h"
#include "kettar/font.h"

namespace screen_test {

// The settings an engine reads while it is built: a base made before it.
struct EngineSettings {
  Kettar::AppConfig appSettings;
  Kettar::VideoConfig videoSettings;
};

// An engine for the quit flag and the current screen; it has no window.
class TestEngine : private EngineSettings, public Kettar::Engine {
 public:
  TestEngine() : Kettar::Engine(nullptr, &appSettings, &videoSettings) {}
  int run() override { return 1; }
  void pumpEvents() override {}
  void swapBuffers() override {}
};

// Stands where a level is played.
struct PlayScreen : Kettar::CallbackInterface {};

// The game application as the screens see it. A load of a known level makes
// play the engine's current screen; an unknown one says so and changes nothing.
// A stored record goes into the level file at levelPath as the game stores it.
class FakeHost : public ScreenHost {
 public:
  void loadLevel(const std::string& fileName) override {
    calls.push_back("loadLevel " + fileName);
    if (levels.count(fileName) == 0) {
      std::cout << "!![Ombrel] cannot find level file" << std::endl;
      return;
    }
    Kettar::engine->current = &play;
  }
  void resumeLevel() override {
    calls.push_back("resumeLevel");
    Kettar::engine->current = &play;
  }
  void leaveLevel() override {
    calls.push_back("leaveLevel");
    Kettar::engine->current = menu;
  }
  void setResolution(int32_t width, int32_t height) override {
    calls.push_back("setResolution " + std::to_string(width) + " " + std::to_string(height));
  }
  void setFullscreen(bool on) override { calls.push_back(std::string("setFullscreen ") + (on ? "on" : "off")); }
  void setVsync(bool on) override { calls.push_back(std::string("setVsync ") + (on ? "on" : "off")); }
  void setAntialias(int32_t samples) override { calls.push_back("setAntialias " + std::to_string(samples)); }
  void draw() override { ++draws; }
  float heroHealth() const override { return health; }
  float keptTime() const override { return kept; }
  float record() const override { return best; }
  bool storeRecord(float time) override {
    calls.push_back("storeRecord");
    best = time;
    return LevelFile::writeBestTime(levelPath, time);
  }
  Kettar::Font* screenFont() override { return &font; }
  Kettar::Camera* camera() override { return &eye; }

  std::string joinedCalls() const {
    std::string out;
    for (const std::string& c : calls) out += (out.empty() ? "" : ", ") + c;
    return out;
  }

  std::vector<std::string> calls;
  std::set<std::string> levels;  // the files a load finds
  Kettar::CallbackInterface* menu = nullptr;  // what leaving a level shows
  PlayScreen play;
  Kettar::Font font;
  Kettar::Camera eye;
  float health = 100.0f;
  float kept = 0.0f;
  float best = LevelFile::kNoBestTime;
  std::string levelPath;
  int draws = 0;
};

// A press and then the release of the key, each after the key-state array is
// updated, as the engine's event pump calls the screen.
inline void tap(Kettar::CallbackInterface& screen, uint8_t* keys, int32_t key) {
  keys[key] = 1;
  screen.keyEvent(keys, key);
  keys[key] = 0;
  screen.keyEvent(keys, key);
}

// Collects what is written to std::cout while it lives.
class CoutCapture {
 public:
  CoutCapture() : old_(std::cout.rdbuf(text_.rdbuf())) {}
  ~CoutCapture() { std::cout.rdbuf(old_); }
  std::string text() const { return text_.str(); }

 private:
  std::ostringstream text_;
  std::streambuf* old_;
};

}  // namespace screen_test
