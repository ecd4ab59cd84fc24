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
      {"tutorial/01-move", {{"R", 8.5, ""}}},
      // Hop the block, jump up the ledge from against it, clear the dip.
      {"tutorial/02-jump", {{"R", 1.724, ""}, {"R", 2.552, "z"}, {"R", 1.926, "z"}, {"R", 3.5, "z"}}},
      // Jump each pit from close to its edge.
      {"tutorial/03-jump-or-die", {{"R", 2.294, ""}, {"R", 2.18, "z"}, {"R", 5.0, "z"}}},
      // Fire up and ahead near the wall, reel in over it, let go above the ledge.
      {"tutorial/04-shoot",
       {{"R", 3.076, ""}, {"UR", 0.05, ""}, {"UR", 0.6, "x"}, {"U", 2.0, ""}, {"UR", 1.0, ""}, {"R", 5.5, "x"}}},
      // From far enough back, Up+Right meets the strip that holds.
      {"tutorial/05-aim-better",
       {{"R", 3.148, ""}, {"", 0.05, ""}, {"UR", 0.05, ""}, {"UR", 0.6, "x"}, {"U", 2.0, ""}, {"UR", 1.0, ""},
        {"R", 5.5, "x"}}},
      // Drive the crate to the wall, jump onto it, then onto the ledge.
      {"tutorial/06-move-the-box", {{"R", 4.2, ""}, {"R", 1.6, "z"}, {"R", 5.5, "z"}}},
      // The rope's own replay: fire into the ceiling at the pit's edge, swing
      // down driving and paying out, let go on the way up.
      {"tutorial/07-swing", {{"R", 1.85, ""}, {"UR", 0.05, ""}, {"DR", 2.75, "x"}, {"R", 4.0, "x"}}},
      // Hook the ceiling just over the first pit and let go above the pillar;
      // hook it from the pillar's edge and let go over the far side.
      {"tutorial/08-shoot-release",
       {{"R", 2.08, ""}, {"UR", 0.05, ""}, {"UR", 0.3, "x"}, {"R", 1.5, ""}, {"", 0.5, "x"}, {"R", 1.068, ""},
        {"UR", 0.05, ""}, {"UR", 0.3, "x"}, {"R", 2.4, ""}, {"R", 5.5, "x"}}},
      // Jump the block, drive through the biters (losing some health), heal
      // among the vazers, jump the last block.
      {"tutorial/09-vazars", {{"R", 1.82, ""}, {"R", 4.626, "z"}, {"R", 3.0, "z"}}},
      // Block, pit, crate and step (standing still a moment before the crate
      // so the hero rights itself), each jump from against what it clears; the
      // rope over the wide pit, three shots at the biter on its stand, a brake
      // short of the turret that times the run under it.
      {"tutorial/10-training-room",
       {{"R", 2.01, ""}, {"R", 2.806, "z"}, {"R", 3.454, "z"}, {"", 1.0, ""}, {"R", 1.6, "z"}, {"R", 2.858, "z"},
        {"UR", 0.05, ""}, {"UR", 0.3, "x"}, {"R", 0.75, ""}, {"R", 1.858, "x"}, {"R", 0.33, "x"}, {"R", 0.33, "x"},
        {"R", 1.122, "x"}, {"R", 4.314, "z"}, {"L", 0.4, ""}, {"", 0.35, ""}, {"R", 5.0, ""}}},
      // Left into the shaft, then right along the tunnel, over its block.
      {"chap-01/01-secret-exit", {{"L", 3.724, ""}, {"R", 3.082, ""}, {"R", 6.5, "z"}}},
      // Up to each riser, a moment against it, a jump.
      {"chap-01/02-diagonal-climb",
       {{"R", 1.738, ""}, {"R", 2.204, "z"}, {"R", 2.212, "z"}, {"R", 2.228, "z"}, {"R", 2.22, "z"},
        {"R", 2.228, "z"}, {"R", 5.5, "z"}}},
      // Up the shelves: to the end of each, jump, turn.
      {"chap-01/03-vertical-climb",
       {{"R", 0.868, ""}, {"R", 1.5, "z"}, {"L", 0.61, ""}, {"L", 1.5, "z"}, {"R", 0.604, ""}, {"R", 1.5, "z"},
        {"L", 0.614, ""}, {"L", 1.5, "z"}, {"R", 0.612, ""}, {"R", 1.5, "z"}, {"L", 0.612, ""}, {"L", 1.5, "z"},
        {"R", 0.612, ""}, {"R", 1.5, "z"}, {"L", 0.612, ""}, {"L", 2.0, "z"}}},
      // A running jump from near the end of the ledge and of each platform.
      {"chap-01/04-platforms",
       {{"R", 1.296, ""}, {"R", 2.178, "z"}, {"R", 2.248, "z"}, {"R", 2.244, "z"}, {"R", 2.25, "z"}, {"R", 3.0, "z"}}},
      // Down the left slope, up the right one at full drive, a jump up the step.
      {"chap-01/05-v-room", {{"R", 6.518, ""}, {"R", 4.0, "z"}}},
      // Off each shelf and back the other way on the next one at once.
      {"chap-01/06-dangerous-fall", {{"R", 3.586, ""}, {"L", 4.55, ""}, {"R", 4.938, ""}, {"L", 7.0, ""}}},
      // A running jump from close to each roof's edge.
      {"chap-01/07-ghost-city",
       {{"R", 1.338, ""}, {"R", 2.276, "z"}, {"R", 2.284, "z"}, {"R", 2.254, "z"}, {"R", 4.0, "z"}}},
      // Out to the moon and against its far wall, back over the floating rocks.
      {"chap-01/08-to-the-moon-and-back",
       {{"R", 12.652, ""}, {"L", 1.172, ""}, {"L", 1.688, "z"}, {"L", 1.69, "z"}, {"L", 1.684, "z"}, {"L", 1.682, "z"},
        {"L", 1.67, "z"}, {"L", 3.0, "z"}}},
      // Let the first volleys pass, run under the rest, jump the block, push
      // the crate against the last turret's fire.
      {"chap-01/09-it-shoots-at-you", {{"", 0.45, ""}, {"R", 3.942, ""}, {"R", 8.5, "z"}}},
      // Down the shelves, turning on each; on the second, wait for the turret's
      // laser to pass before dropping; then the tunnel's two pits, the second
      // jump pressed three times in case the biter has knocked the hero off
      // the ground.
      {"chap-01/10-to-the-inner-planet",
       {{"R", 3.588, ""}, {"L", 0.45, ""}, {"", 0.85, ""}, {"L", 3.796, ""}, {"R", 4.924, ""}, {"L", 4.132, ""},
        {"R", 6.084, ""}, {"R", 2.338, "z"}, {"R", 0.08, "z"}, {"R", 0.08, "z"}, {"R", 3.0, "z"}}},
      // Off the floor fast with a running jump, before the biter is out from
      // under the first shelf; then up the shelves as in the first chapter's
      // climb.
      {"chap-02/01-moss-tower",
       {{"R", 0.606, ""}, {"R", 0.4, "z"}, {"L", 1.364, ""}, {"L", 1.0, "z"}, {"R", 0.618, ""}, {"R", 1.5, "z"},
        {"L", 0.614, ""}, {"L", 1.5, "z"}, {"R", 0.612, ""}, {"R", 1.5, "z"}, {"L", 0.612, ""}, {"L", 1.5, "z"},
        {"R", 0.612, ""}, {"R", 1.5, "z"}, {"L", 0.612, ""}, {"L", 1.5, "z"}, {"R", 0.612, ""}, {"R", 1.5, "z"},
        {"L", 0.612, ""}, {"L", 1.5, "z"}, {"R", 0.612, ""}, {"R", 1.5, "z"}, {"L", 0.612, ""}, {"L", 2.0, "z"}}},
      // Through the first chamber's biters at full drive, resting among the
      // healers until whole; the third chamber's biters shot with the rope as
      // they come, braking and turning for the one that ran under the jump;
      // the third block and the pit at a run.
      {"chap-02/02-blob-hell",
       {{"R", 2.378, ""}, {"R", 1.37, "z"}, {"L", 0.3, ""}, {"", 2.4, ""}, {"R", 1.87, ""}, {"R", 1.12, "z"},
        {"R", 0.33, "x"}, {"R", 0.1, "x"}, {"L", 0.25, ""}, {"L", 0.35, "x"}, {"R", 0.35, ""}, {"R", 0.35, "x"},
        {"R", 1.8, "x"}, {"R", 2.93, "z"}, {"R", 0.1, "z"}, {"R", 0.1, "z"}, {"R", 3.0, "z"}}},
      // Jump the acid from where the slope's bounce touches down, drive under
      // the burning roof, jump the step.
      {"chap-02/03-bowels", {{"R", 3.456, ""}, {"R", 5.418, "z"}, {"R", 3.5, "z"}}},
      // A jump high on each slope carries over its pit.
      {"chap-02/04-icy-ascent", {{"R", 2.882, ""}, {"R", 3.69, "z"}, {"R", 6.5, "z"}}},
      // Roof to roof, jumping near each edge; on the fifth roof, back against
      // the kerb, at rest there whatever the landing was, to wait out a volley
      // of the far turret; then over the bar for the last jump and the exit.
      {"chap-02/05-the-city",
       {{"R", 1.224, ""}, {"R", 2.34, "z"}, {"R", 2.436, "z"}, {"R", 2.396, "z"}, {"R", 1.034, "z"}, {"L", 2.4, ""},
        {"R", 1.614, ""}, {"R", 3.5, "z"}}},
      // Down the funnel, off each shelf and back the other way on the next.
      {"chap-02/06-spiral-of-sorrow", {{"R", 3.474, ""}, {"L", 3.856, ""}, {"R", 3.23, ""}, {"L", 5.0, ""}}},
  };
  return all;
}

}  // namespace levelreplay
