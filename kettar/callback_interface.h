#pragma once
// What the engine drives: the application while a level is played, a menu screen otherwise.

#include <cstdint>

#include "kettar/mouse_state.h"

namespace Kettar {

// One byte per SDL key symbol, 1 while the key is down.
constexpr int kKeyCount = 500;

class CallbackInterface {
 public:
  // Once per physics step, with the physics period as dt.
  virtual void step(uint8_t* keys, MouseState* mouse, float dt) {
    (void)keys;
    (void)mouse;
    (void)dt;
  }
  // Once per frame; the loop swaps buffers after it.
  virtual void draw() {}
  // On every key press and release, after keys is updated.
  virtual void keyEvent(uint8_t* keys, int32_t key) {
    (void)keys;
    (void)key;
  }
  // On mouse motion, button and wheel events.
  virtual void mouseEvent(MouseState* mouse) { (void)mouse; }

 protected:
  // Never deleted through this interface.
  ~CallbackInterface() = default;
};

}  // namespace Kettar
