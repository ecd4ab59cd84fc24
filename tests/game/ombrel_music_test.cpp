// The music ring with the installed SDL_mixer (dummy audio driver) and short
// tracks: a halt calls no finished hook, an ended track does. Each finished
// call is handed to the game as the engine hands it the user event.

#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "game/ombrel.h"
#include "game/version.h"
#include "kettar/mixer.h"

namespace {

namespace fs = std::filesystem;

const std::string kBuildRoot = std::string(OMBREL_BUILD_DIR) + "/";

void putLe(std::string& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xff);
}

// A mono 16-bit tone of that length.
void writeWav(const fs::path& path, double seconds) {
  const uint32_t rate = 22050;
  const uint32_t samples = static_cast<uint32_t>(seconds * rate);
  std::string wav = "RIFF";
  putLe(wav, 36 + samples * 2, 4);
  wav += "WAVEfmt ";
  putLe(wav, 16, 4);
  putLe(wav, 1, 2);
  putLe(wav, 1, 2);
  putLe(wav, rate, 4);
  putLe(wav, rate * 2, 4);
  putLe(wav, 2, 2);
  putLe(wav, 16, 2);
  wav += "data";
  putLe(wav, samples * 2, 4);
  for (uint32_t i = 0; i < samples; ++i)
    putLe(wav, static_cast<uint16_t>(static_cast<int16_t>(3000 * std::sin(i * 0.1))), 2);
  std::ofstream(path, std::ios::binary) << wav;
}

std::atomic<int> finishedCalls{0};
void countFinished() { ++finishedCalls; }

// The seed that makes the level's random first song the given one.
unsigned seedForSong(int song) {
  for (unsigned seed = 1;; ++seed) {
    std::srand(seed);
    if (Kettar::randomInt(0, 6, 1) == song) return seed;
  }
}

class OmbrelMusic : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO | SDL_INIT_TIMER), 0) << SDL_GetError();
    dir = fs::temp_directory_path() / ("ombrel-music-" + std::to_string(getpid()));
    fs::create_directories(dir);
    game.dataRoot = kBuildRoot;
    game.forceConfig();
    game.audioConfig.musicFadeIn = 0.0f;
    game.audioConfig.musicFadeOut = 0.05f;
    finishedCalls = 0;
    mixer = new Kettar::Mixer(&game.audioConfig, &countFinished);
    ASSERT_TRUE(mixer->active());
    Kettar::mixer = mixer;
    Kettar::currentMixer = mixer;
    writeWav(dir / "menu.wav", 0.15);
    game.menuTrack = mixer->loadMusic((dir / "menu.wav").c_str());
    for (int i = 0; i < 6; ++i) {
      const fs::path path = dir / ("song-0" + std::to_string(i + 1) + ".wav");
      writeWav(path, 0.15);
      game.songs[i] = mixer->loadMusic(path.c_str());
      ASSERT_NE(game.songs[i], -1);
    }
    ASSERT_NE(game.menuTrack, -1);
  }
  void TearDown() override {
    game.leaveLevel();
    Kettar::currentMixer = nullptr;
    Kettar::mixer = nullptr;
    delete mixer;
    SDL_Quit();
    fs::remove_all(dir);
  }

  // Waits for the next finished call and gives it to the game; false when none came.
  bool nextEnd() {
    const int before = finishedCalls;
    for (int i = 0; i < 400 && finishedCalls == before; ++i) SDL_Delay(5);
    if (finishedCalls == before) return false;
    game.onUserEvent();
    return true;
  }

  Ombrel game{kGameTitle};
  Kettar::Mixer* mixer = nullptr;
  fs::path dir;
};

TEST_F(OmbrelMusic, SongsFollowInARingFromTheRandomFirstOne) {
  // The menu track plays when a level is chosen; the load halts it, so its
  // end never reaches the ring.
  mixer->selectMusic(game.menuTrack);
  ASSERT_EQ(Mix_PlayingMusic(), 1);
  std::srand(seedForSong(3));
  game.loadLevel("tutorial/01-move.orl");
  ASSERT_EQ(game.screen, Ombrel::Screen::kPlay);
  EXPECT_EQ(game.currentSong, 3);
  EXPECT_EQ(mixer->lastTrack(), game.songs[3]);
  for (int expected : {4, 5, 0, 1}) {
    SCOPED_TRACE(expected);
    ASSERT_TRUE(nextEnd());
    EXPECT_EQ(game.currentSong, expected);
    EXPECT_EQ(mixer->lastTrack(), game.songs[expected]);
  }
}

TEST_F(OmbrelMusic, LeavingALevelPlaysTheMenuTrackAgainAndAgain) {
  game.loadLevel("tutorial/01-move.orl");
  ASSERT_EQ(game.screen, Ombrel::Screen::kPlay);
  SDL_Delay(30);
  // Leaving halts the song: no finished call, the menu track at once.
  const int before = finishedCalls;
  game.leaveLevel();
  EXPECT_EQ(mixer->lastTrack(), game.menuTrack);
  EXPECT_EQ(finishedCalls, before);
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    ASSERT_TRUE(nextEnd());
    EXPECT_EQ(mixer->lastTrack(), game.menuTrack);
    EXPECT_EQ(Mix_PlayingMusic(), 1);
  }
}

// An event whose track was already replaced (a level began meanwhile) moves
// nothing: the song that plays goes on.
TEST_F(OmbrelMusic, AStaleEventWhileMusicPlaysMovesNothing) {
  std::srand(seedForSong(2));
  game.loadLevel("tutorial/01-move.orl");
  ASSERT_EQ(Mix_PlayingMusic(), 1);
  game.onUserEvent();
  EXPECT_EQ(game.currentSong, 2);
  EXPECT_EQ(mixer->lastTrack(), game.songs[2]);
}

}  // namespace
