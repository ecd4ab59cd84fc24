#pragma once
// What the menu, the pause screen and the end screen ask of the game
// application. Ombrel provides it; the screens hold it, never own it.

#include <cstdint>
#include <string>

#include "kettar/callback_interface.h"

namespace Kettar {
class Camera;
struct Font;
}  // namespace Kettar

class ScreenHost {
 public:
  // Starts the level of a file named relative to data/levels/ and makes the game
  // the active screen; a file that cannot be read leaves the menu active.
  virtual void loadLevel(const std::string& fileName) = 0;
  // The level clock runs again and the game is the active screen.
  virtual void resumeLevel() = 0;
  // Frees the hero and the level and makes the menu the active screen.
  virtual void leaveLevel() = 0;

  // The options: stored in the requested settings; fullscreen also switches the window.
  virtual void setResolution(int32_t width, int32_t height) = 0;
  virtual void setFullscreen(bool on) = 0;
  virtual void setVsync(bool on) = 0;
  virtual void setAntialias(int32_t samples) = 0;

  // The play frame as it stands, with its time line; the veils go over it.
  virtual void draw() = 0;
  // 100 at the start of a level, at most 0 once the hero has died.
  virtual float heroHealth() const = 0;
  // The level clock's reading when the exit was reached.
  virtual float keptTime() const = 0;
  // The current level's best time; 9999 for a level never finished.
  virtual float record() const = 0;
  // Makes the time the current level's best time and rewrites it in the level
  // file; false when the file was not rewritten (it is then left as it was).
  virtual bool storeRecord(float time) = 0;

  // The sector font shared by the three screens; never null, its font may be.
  virtual Kettar::Font* screenFont() = 0;
  virtual Kettar::Camera* camera() = 0;

 protected:
  // Never deleted through this interface.
  ~ScreenHost() = default;
};

// Whether a key event is a press: the screens act on presses only, and a key
// outside the key-state array is no press.
inline bool isKeyPress(const uint8_t* keys, int32_t key) {
  return key >= 0 && key < Kettar::kKeyCount && keys[key] != 0;
}
