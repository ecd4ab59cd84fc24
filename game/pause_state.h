#pragma once
// The screen of a paused level: the frozen play frame under a grey veil with
// two lines of instructions. Enter resumes the level, Esc abandons it.

#include <cstdint>

#include "kettar/callback_interface.h"

class ScreenHost;

class PauseState : public Kettar::CallbackInterface {
 public:
  // Sets the shared sector font's face size to 50 when the font loaded.
  explicit PauseState(ScreenHost* app);

  void draw() override;
  void keyEvent(uint8_t* keys, int32_t key) override;

  ScreenHost* app;  // not owned
};
