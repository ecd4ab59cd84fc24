#include "levels/level_replays.h"

#include <cmath>

namespace levelreplay {

ReplayScript scriptOf(const std::vector<Leg>& legs) {
  ReplayScript script;
  uint32_t at = 0;
  for (const Leg& leg : legs) {
    const uint32_t steps = static_cast<uint32_t>(std::lround(leg.seconds * kStepsPerSecond));
    for (const char* c = leg.pressed; *c != 0; ++c) {
      if (replayKeyOf(*c) != -1) script.presses.push_back({at, replayKeyOf(*c)});
    }
    for (const char* c = leg.held; *c != 0; ++c) {
      if (replayKeyOf(*c) != -1) script.holds.push_back({at, at + steps, replayKeyOf(*c)});
    }
    at += steps;
  }
  script.maxSteps = at;
  return script;
}

const std::vector<std::string>& menuLevels() {
  static const std::vector<std::string> all = {
      "tutorial/01-move",          "tutorial/02-jump",
      "tutorial/03-jump-or-die",   "tutorial/04-shoot",
      "tutorial/05-aim-better",    "tutorial/06-move-the-box",
      "tutorial/07-swing",         "tutorial/08-shoot-release",
      "tutorial/09-vazars",        "tutorial/10-training-room",
      "chap-01/01-secret-exit",    "chap-01/02-diagonal-climb",
      "chap-01/03-vertical-climb", "chap-01/04-platforms",
      "chap-01/05-v-room",         "chap-01/06-dangerous-fall",
      "chap-01/07-ghost-city",     "chap-01/08-to-the-moon-and-back",
      "chap-01/09-it-shoots-at-you", "chap-01/10-to-the-inner-planet",
      "chap-02/01-moss-tower",     "chap-02/02-blob-hell",
      "chap-02/03-bowels",         "chap-02/04-icy-ascent",
      "chap-02/05-the-city",       "chap-02/06-spiral-of-sorrow",
  };
  return all;
}

const std::vector<LevelReplay>& replays() {
  static const std::vector<LevelReplay> all = {
      {"tutorial/01-move", {{"R", 10.0, ""}}},
      // Hop the block, jump up the ledge, clear the dip.
      {"tutorial/02-jump", {{"R", 1.724, ""}, {"R", 1.894, "z"}, {"R", 1.260, "z"}, {"R", 3.0, "z"}}},
      // Jump each pit from close to its edge.
      {"tutorial/03-jump-or-die", {{"R", 2.294, ""}, {"R", 2.182, "z"}, {"R", 4.0, "z"}}},
      // Fire up and ahead near the wall, reel in over it, let go above the ledge.
      {"tutorial/04-shoot",
       {{"R", 3.076, ""}, {"UR", 0.05, ""}, {"UR", 0.6, "x"}, {"U", 2.0, ""}, {"UR", 1.0, ""}, {"R", 5.0, "x"}}},
      // From far enough back, Up+Right meets the strip that holds.
      {"tutorial/05-aim-better",
       {{"R", 3.148, ""}, {"", 0.05, ""}, {"UR", 0.05, ""}, {"UR", 0.6, "x"}, {"U", 2.0, ""}, {"UR", 1.0, ""},
        {"R", 5.5, "x"}}},
      // Drive the crate to the wall, jump onto it, then onto the ledge.
      {"tutorial/06-move-the-box", {{"R", 4.2, ""}, {"R", 1.6, "z"}, {"R", 5.0, "z"}}},
      // The rope's own replay: fire into the ceiling at the pit's edge, swing
      // down driving and paying out, let go on the way up.
      {"tutorial/07-swing", {{"R", 1.9, ""}, {"UR", 0.02, ""}, {"DR", 2.6, "x"}, {"R", 8.0, "x"}}},
      // Swing over the first pit and let go above the pillar; swing over the
      // second from the pillar's edge and let go over the far side.
      {"tutorial/08-shoot-release",
       {{"R", 1.936, ""}, {"UR", 0.05, ""}, {"UR", 0.3, "x"}, {"R", 0.8, ""}, {"R", 1.538, "x"}, {"UR", 0.05, ""},
        {"UR", 0.3, "x"}, {"R", 1.4, ""}, {"R", 5.5, "x"}}},
      // Jump the block, drive through the biters (losing some health), heal
      // among the vazers, jump the last block.
      {"tutorial/09-vazars", {{"R", 1.82, ""}, {"R", 4.62, "z"}, {"R", 3.0, "z"}}},
      // Block, pit, crate and step (standing still a moment before each jump so
      // the hero rights itself), the rope over the wide pit, the rope's tip
      // into the biter, a moment's wait short of the turret.
      {"tutorial/10-training-room",
       {{"R", 1.51, ""}, {"R", 2.626, "z"}, {"R", 3.468, "z"}, {"", 1.0, ""}, {"R", 1.6, "z"}, {"R", 3.134, "z"},
        {"UR", 0.05, ""}, {"UR", 0.3, "x"}, {"R", 1.4, ""}, {"R", 2.262, "x"}, {"R", 5.118, "x"}, {"L", 0.4, ""},
        {"", 0.3, ""}, {"R", 4.5, ""}}},
      // Left into the shaft, then right along the tunnel, over its block.
      {"chap-01/01-secret-exit", {{"L", 3.724, ""}, {"R", 3.082, ""}, {"R", 6.0, "z"}}},
      // A jump 1.2 before each riser, from the ground.
      {"chap-01/02-diagonal-climb",
       {{"R", 1.268, ""}, {"R", 1.522, "z"}, {"R", 1.460, "z"}, {"R", 1.470, "z"}, {"R", 1.260, "z"},
        {"R", 0.786, "z"}, {"R", 5.0, "z"}}},
      // Up the shelves: to the end of each, jump, turn.
      {"chap-01/03-vertical-climb",
       {{"R", 0.868, ""}, {"R", 1.5, "z"}, {"L", 0.61, ""}, {"L", 1.5, "z"}, {"R", 0.604, ""}, {"R", 1.5, "z"},
        {"L", 0.614, ""}, {"L", 1.5, "z"}, {"R", 0.612, ""}, {"R", 1.5, "z"}, {"L", 0.612, ""}, {"L", 1.5, "z"},
        {"R", 0.612, ""}, {"R", 1.5, "z"}, {"L", 0.612, ""}, {"L", 2.0, "z"}}},
      // A running jump from near the end of the ledge and of each platform.
      {"chap-01/04-platforms",
       {{"R", 1.294, ""}, {"R", 2.184, "z"}, {"R", 2.244, "z"}, {"R", 2.244, "z"}, {"R", 2.25, "z"}, {"R", 3.0, "z"}}},
      // Down the left slope, up the right one at full drive, a jump up the step.
      {"chap-01/05-v-room", {{"R", 6.514, ""}, {"R", 4.0, "z"}}},
      // Off each shelf and back the other way on the next one at once.
      {"chap-01/06-dangerous-fall", {{"R", 3.586, ""}, {"L", 4.55, ""}, {"R", 4.938, ""}, {"L", 7.0, ""}}},
      // A running jump across each street.
      {"chap-01/07-ghost-city", {{"R", 1.224, ""}, {"R", 2.272, "z"}, {"R", 2.344, "z"}, {"R", 2.198, "z"}, {"R", 3.5, "z"}}},
      // Out to the moon and up its slope, back over the floating rocks.
      {"chap-01/08-to-the-moon-and-back",
       {{"R", 11.0, ""}, {"L", 1.506, ""}, {"L", 1.698, "z"}, {"L", 1.552, "z"}, {"L", 1.682, "z"}, {"L", 1.678, "z"},
        {"L", 1.678, "z"}, {"L", 2.5, "z"}}},
      // Let the first volleys pass, run under the rest, jump the block, push
      // the crate against the last turret's fire.
      {"chap-01/09-it-shoots-at-you", {{"", 0.45, ""}, {"R", 3.942, ""}, {"R", 8.0, "z"}}},
      // Down the shelves, turning on each; on the second, wait for the turret's
      // laser to pass before dropping; then the tunnel's two pits.
      {"chap-01/10-to-the-inner-planet",
       {{"R", 3.586, ""}, {"L", 0.45, ""}, {"", 0.7, ""}, {"L", 3.78, ""}, {"R", 4.956, ""}, {"L", 4.828, ""},
        {"R", 6.36, ""}, {"R", 1.582, "z"}, {"R", 3.0, "z"}}},
      // Up the shelves as in the first chapter's climb, away from the biter.
      {"chap-02/01-moss-tower",
       {{"R", 0.906, ""}, {"R", 1.5, "z"}, {"L", 0.816, ""}, {"L", 1.5, "z"}, {"R", 0.612, ""}, {"R", 1.5, "z"},
        {"L", 0.612, ""}, {"L", 1.5, "z"}, {"R", 0.612, ""}, {"R", 1.5, "z"}, {"L", 0.612, ""}, {"L", 1.5, "z"},
        {"R", 0.612, ""}, {"R", 1.5, "z"}, {"L", 0.612, ""}, {"L", 1.5, "z"}, {"R", 0.612, ""}, {"R", 1.5, "z"},
        {"L", 0.612, ""}, {"L", 1.5, "z"}, {"R", 0.612, ""}, {"R", 1.5, "z"}, {"L", 0.612, ""}, {"L", 2.0, "z"}}},
      // Through the biters at full drive, a jump at each block and the pit;
      // the healers make up for the bites.
      {"chap-02/02-blob-hell", {{"R", 2.588, ""}, {"R", 3.398, "z"}, {"R", 3.132, "z"}, {"R", 3.05, "z"}, {"R", 3.0, "z"}}},
      // Jump the acid, drive under the burning roof, jump the step.
      {"chap-02/03-bowels", {{"R", 3.664, ""}, {"R", 5.686, "z"}, {"R", 3.5, "z"}}},
      // A jump near the top of the first slope carries over the first pit;
      // the second from its rim.
      {"chap-02/04-icy-ascent", {{"R", 2.98, ""}, {"R", 4.54, "z"}, {"R", 5.5, "z"}}},
      // Roof to roof; on the fifth roof, wait out a volley of the far turret
      // before the last jump and the run for the exit.
      {"chap-02/05-the-city",
       {{"R", 1.224, ""}, {"R", 2.334, "z"}, {"R", 2.56, "z"}, {"R", 2.624, "z"}, {"R", 1.23, "z"}, {"L", 0.5, ""},
        {"", 1.2, ""}, {"R", 1.582, ""}, {"R", 3.5, "z"}}},
      // Down the funnel, off each shelf and back the other way on the next.
      {"chap-02/06-spiral-of-sorrow", {{"R", 3.474, ""}, {"L", 3.856, ""}, {"R", 3.222, ""}, {"L", 5.0, ""}}},
  };
  return all;
}

}  // namespace levelreplay
