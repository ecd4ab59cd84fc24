// replaywriter <level> <way.txt>: plays a way through a level (a file name
// below data/levels/ of the program directory) with the game's own load and
// step of play on simulated time, as the level replays run, and prints the
// hero's place after each line and the legs of the replay that the way made.
//
// A way is lines of words ('#' starts a comment); KEYS are letters R L U D C
// (Right, Left, Up, Down, free aim) or '-' for none:
//   hold KEYS SECONDS              hold the keys that long
//   until KEYS x> X [ground]       hold the keys until the hero's centre passes
//   until KEYS x< X [ground]       the mark (and, with "ground", stands on
//   until KEYS y> Y [ground]       something); at most 15 seconds
//   until KEYS y< Y [ground]
//   press LETTERS                  press z (jump) and x (fire) before the next step
// Exit code 0 when the hero reached the exit, 1 for wrong arguments or a bad
// line, 2 when the level does not load, 3 when the way ends elsewhere.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "game/hero.h"
#include "game/ombrel.h"
#include "game/replay.h"
#include "game/version.h"
#include "kettar/mouse_state.h"
#include "kettar/particle_system.h"
#include "kettar/platform/program_directory.h"
#include "kettar/simulated_clock.h"

namespace {

constexpr double kUntilLimit = 15.0;

// The legs so far, in the replay table's notation.
class Legs {
 public:
  void keys(const std::string& held, uint32_t step) {
    if (held != held_) close(step);
    held_ = held;
  }
  void press(const std::string& letters, uint32_t step) {
    close(step);
    pressed_ += letters;
  }
  void close(uint32_t step) {
    if (step > start_) {
      char leg[96];
      std::snprintf(leg, sizeof leg, "{\"%s\", %.3f, \"%s\"}, ", held_.c_str(), (step - start_) / 500.0,
                    pressed_.c_str());
      text_ += leg;
      pressed_.clear();
    }
    start_ = step;
  }
  const std::string& text() const { return text_; }

 private:
  std::string held_, pressed_, text_;
  uint32_t start_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: replaywriter <level> <way.txt>" << std::endl;
    return 1;
  }
  std::ifstream way(argv[2]);
  if (!way) {
    std::cerr << "replaywriter: cannot read " << argv[2] << std::endl;
    return 1;
  }
  Kettar::SimulatedClock clock;
  std::srand(1);
  Ombrel game(kGameTitle);
  game.dataRoot = Kettar::executableDirectory;
  game.forceConfig();
  game.sceneCamera = Ombrel::makeCamera();
  game.loadLevel(argv[1]);
  if (game.screen != Ombrel::Screen::kPlay) return 2;

  const float dt = 1.0f / static_cast<float>(game.appConfig.pps);
  uint8_t keys[Kettar::kKeyCount] = {};
  Kettar::MouseState mouse{};
  uint32_t step = 0;
  Legs legs;
  auto report = [&](const std::string& what) {
    const Vec2 c = game.hero->centre();
    std::printf("%-28s %7.3f s  (%6.2f, %6.2f)  health %5.1f%s\n", what.c_str(), step * dt, c.x, c.y,
                game.hero->health(), game.hero->onGround() ? "  on ground" : "");
  };

  std::string line;
  int number = 0;
  bool over = false;
  while (!over && std::getline(way, line)) {
    ++number;
    std::istringstream words(line.substr(0, line.find('#')));
    std::string command, held;
    if (!(words >> command)) continue;
    if (command == "press") {
      std::string letters;
      words >> letters;
      legs.press(letters, step);
      for (char c : letters) {
        const int32_t key = replayKeyOf(c);
        if (key == -1) continue;
        const uint8_t was = keys[key];
        keys[key] = 1;
        game.keyEvent(keys, key);
        keys[key] = was;
        game.keyEvent(keys, key);
      }
      report(line);
      continue;
    }
    std::string mark;
    double value = 0.0;
    bool ground = false;
    if (command == "hold") {
      words >> held >> value;
    } else if (command == "until") {
      words >> held >> mark >> value;
    }
    const bool read = !words.fail();
    std::string flag;
    if (read && words >> flag) ground = flag == "ground";
    if (!read || (command != "hold" && command != "until") || (!flag.empty() && !ground) ||
        (command == "until" && mark != "x>" && mark != "x<" && mark != "y>" && mark != "y<")) {
      std::cerr << argv[2] << ":" << number << ": cannot read \"" << line << "\"" << std::endl;
      return 1;
    }
    if (held == "-") held.clear();
    legs.keys(held, step);
    for (uint8_t& k : keys) k = 0;
    for (char c : held) {
      if (replayKeyOf(c) != -1) keys[replayKeyOf(c)] = 1;
    }
    const uint32_t steps = static_cast<uint32_t>(std::lround((command == "hold" ? value : kUntilLimit) / dt));
    for (uint32_t i = 0; i < steps && !over; ++i) {
      game.step(keys, &mouse, dt);
      clock.advance(dt);
      ++step;
      over = game.screen == Ombrel::Screen::kEnd;
      const Vec2 c = game.hero->centre();
      const bool passed = (mark == "x>" && c.x > value) || (mark == "x<" && c.x < value) ||
                          (mark == "y>" && c.y > value) || (mark == "y<" && c.y < value);
      if (command == "until" && passed && (!ground || game.hero->onGround())) break;
    }
    report(line);
  }
  legs.close(step);
  const bool finished = over && game.heroHealth() > 0.0f;
  std::printf("%s after %.3f s\nlegs: %s\n", finished ? "reached the exit" : "did not reach the exit", step * dt,
              legs.text().c_str());
  game.leaveLevel();
  Kettar::clearParticles();
  return finished ? 0 : 3;
}
