#pragma once
// The screen of a level that is over, by the exit or by the hero's death: the
// frozen play frame under a veil coloured by the outcome, a headline, a verdict
// on the time and "press any key to continue...". Any key stores a better time
// in the level file and returns to the menu.

#include <cstdint>

#include "kettar/callback_interface.h"

class ScreenHost;

enum class EndOutcome {
  kDied,      // the hero's health is at or below 0: nothing is stored
  kRecord,    // finished strictly below the best time
  kNoRecord,  // finished at or above the best time
};

class End : public Kettar::CallbackInterface {
 public:
  // Sets the shared sector font's face size to 50 when the font loaded.
  explicit End(ScreenHost* app);

  void draw() override;
  void keyEvent(uint8_t* keys, int32_t key) override;

  // Read from the game every time: the best time is the one before any key.
  EndOutcome outcome() const;

  ScreenHost* app;  // not owned
};
