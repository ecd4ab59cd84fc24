#pragma once
// The engine's record of the last mouse event, handed to step and mouseEvent.

#include <cstdint>

namespace Kettar {

// What the last mouse event was.
enum MouseEventKind : int32_t {
  kMouseLeft = 0,
  kMouseRight = 1,
  kMouseMotion = 2,
  kMouseWheel = 3,
};

struct MouseState {
  int32_t x = 0;  // window pixels of the last motion event
  int32_t y = 0;
  int32_t wheel = 0;  // -1 up, +1 down; keeps its last value
  float dx = 0.0f;    // last motion, sign inverted and scaled by the mouse factor; 0 after every physics step
  float dy = 0.0f;
  uint8_t left = 0;   // button held
  uint8_t right = 0;
  // Two flags the engine sets at construction and never changes.
  uint8_t flagA = 0;
  uint8_t flagB = 1;
  int32_t kind = -1;  // a MouseEventKind once the first mouse event came
};

}  // namespace Kettar
