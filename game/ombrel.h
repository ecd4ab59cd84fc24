#pragma once
// The game application: the one object main creates. It reads and writes
// ombrel.cfg, forces the game's own settings, sets up the scene, fonts, music
// and the three screens, and is itself the screen the engine drives while a
// level is played. It loads and leaves levels, runs the step of play in a
// fixed order, draws the play frame with its time line, picks the music and
// installs the collision notifier that ends a level at its exit.
//
// Nothing in the step of play draws or needs a window, so a replay can load a
// level and step it with no engine, no window and no audio (game/replay.h).

#include <cstdint>
#include <memory>
#include <string>

#include "ferrox/collision_notifier.h"
#include "ferrox/vec2.h"
#include "game/screen_host.h"
#include "kettar/camera.h"
#include "kettar/font.h"
#include "kettar/sdl_kettar_app.h"
#include "kettar/stopwatch.h"

class End;
class Hero;
class Menu;
class PauseState;

namespace ferrox {
class Skeleton;
struct ContactPair;
}  // namespace ferrox

// The time line of play: both values in fixed notation with two decimals,
// "12.50 / 9999.00".
std::string timeLine(double elapsed, float record);

// The camera's speed after one step: |mean velocity| · 0.0025 + speed · 0.9975,
// in double precision, at most 5. A value that is not a finite number (a body
// gone wild) leaves the speed as it was, so the speed is never NaN.
float filteredCameraSpeed(float speed, Vec2 meanVelocity);

class Ombrel : public Kettar::SDLKettarApp, public ScreenHost {
 public:
  // Sees each contact before it is resolved: the exit ends the level, the
  // hero's own arm is left alone, everything else is recorded in both bodies.
  class Notifier : public ferrox::CollisionNotifier {
   public:
    Notifier(Ombrel* app, Hero* hero);
    ~Notifier() override = default;
    // True lets the contact be resolved.
    bool onContact(ferrox::ContactPair* pair) override;

    Ombrel* app;  // not owned
    Hero* hero;   // not owned; lives while this notifier does
  };

  // Which screen is the current callback of the engine.
  enum class Screen { kMenu, kPlay, kPause, kEnd };

  // SDL key symbols of the keys of play.
  static constexpr int32_t kTab = 9;
  static constexpr int32_t kEscape = 27;
  static constexpr int32_t kKeyT = 116;
  static constexpr int32_t kKeyX = 120;
  static constexpr int32_t kKeyZ = 122;
  // The hero dies, and two seconds later the end screen comes.
  static constexpr double kDeathDelay = 2.0;

  explicit Ombrel(const std::string& caption);
  ~Ombrel();
  Ombrel(const Ombrel&) = delete;
  Ombrel& operator=(const Ombrel&) = delete;

  // One step of play; no drawing, no window needed.
  void step(uint8_t* keys, Kettar::MouseState* mouse, float dt) override;
  // The play frame with its time line; the pause and end screens draw it too.
  void draw() override;
  // Tab, Esc, t, x and z, on presses only.
  void keyEvent(uint8_t* keys, int32_t key) override;

  bool init() override;
  void shutdown() override;
  // dualThread off, pps 500, minWidth 800, minHeight 600, fade on, cycle off.
  void forceConfig() override;
  void loadConfigHook() override;
  // The music-finished event: the next song of the ring while a level is
  // played, else the menu track again.
  void onUserEvent() override;

  void loadLevel(const std::string& fileName) override;
  void resumeLevel() override;
  void leaveLevel() override;
  // The hero's body touched the exit body: the clock stops and the end screen comes.
  void finishLevel();
  // The death timer's work, on the main thread: the clock stops, the end screen comes.
  void onDeathTimer();

  void setResolution(int32_t width, int32_t height) override;
  // Switches the window to the state asked for (the toggle runs only when the
  // window's own state differs), stores the setting even when the display
  // refuses it, and hides the cursor in fullscreen.
  void setFullscreen(bool on) override;
  void setVsync(bool on) override;
  void setAntialias(int32_t samples) override;

  float heroHealth() const override;
  float keptTime() const override { return keptTime_; }
  float record() const override;
  bool storeRecord(float time) override;
  Kettar::Font* screenFont() override { return &sectorFont; }
  Kettar::Camera* camera() override { return sceneCamera.get(); }

  // GL state, projection, camera and the point shader.
  void setupScene();
  // The camera of play at its start: eye (0, 0, 20) looking at the origin.
  static std::unique_ptr<Kettar::Camera> makeCamera();
  // Makes the screen current, in the engine too when there is one.
  void show(Screen s);
  // Seconds the level clock has run; 0 outside a level.
  double levelTime() const;
  // A death timer is pending.
  bool deathTimerPending() const { return deathClock != nullptr; }

  std::string dataRoot;                          // levels, skeletons, sprites, fonts, music below it
  std::unique_ptr<Kettar::Camera> sceneCamera;   // made by setupScene (or a replay)
  std::unique_ptr<Hero> hero;                    // null outside a level
  Kettar::Font timeFont;                         // Digiface at 35: the time line
  Kettar::Font sectorFont;                       // sector at 60; the screens change its face size
  std::unique_ptr<Kettar::Stopwatch> levelClock; // null outside a level
  int32_t menuTrack = -1;                        // music handles; -1 when not loaded
  int32_t songs[6] = {-1, -1, -1, -1, -1, -1};
  std::unique_ptr<Menu> menu;
  std::unique_ptr<PauseState> pauseScreen;
  std::unique_ptr<End> endScreen;
  // Started on the step of the hero's death, dropped when it has fired and
  // when the level is left; runs on the clock source, so a replay's simulated
  // time drives it, and its work is done by the main thread's step or frame.
  std::unique_ptr<Kettar::Stopwatch> deathClock;
  int32_t currentSong = 0;                       // 0..5 while a level is played
  bool overlay = false;                          // frame and step rates shown
  std::unique_ptr<Notifier> notifier;            // while a level is played; ferrox::notifier points to it
  Screen screen = Screen::kMenu;
  std::unique_ptr<Kettar::Stopwatch> particleClock;  // made at the first draw

  // Kept from step to step and from level to level.
  static float cameraSpeed;

 private:
  // Fires the death timer once its two seconds have passed, while the level is played.
  void checkDeathTimer();
  void stopSounds();
  void selectMusic(int32_t track);

  float keptTime_ = 0.0f;  // the level clock when the exit was reached
};
