#include "kettar/mixer.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <set>

#include "kettar/sdl_kettar_app.h"
#include "kettar/sound_group.h"
#include "kettar/timer_table.h"
#include "media_assets.h"

namespace {

using media_test::CoutCapture;
using media_test::TempDir;

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

TEST(MixerHelpersTest, HashString) {
  struct Case {
    const char* text;
    uint32_t hash;
  } cases[] = {{"", 5381u}, {"abc", 193485963u}, {"\xff", 177572u}, {"a", 177670u}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Kettar::hashString(c.text), c.hash);
  }
}

TEST(MixerHelpersTest, RandomInt) {
  struct Case {
    const char* name;
    int32_t a, b, step;
    int32_t low, high;  // every result lies in [low, high]
    size_t distinct;    // how many values 600 draws must show
  } cases[] = {
      {"step 1 gives a to b - 1", 0, 6, 1, 0, 5, 6},
      {"empty range gives a", 3, 3, 1, 3, 3, 1},
      {"step 0 gives a", 0, 6, 0, 0, 0, 1},
      {"negative step gives a", 0, 6, -2, 0, 0, 1},
      {"step beyond the range gives a", 0, 6, 7, 0, 0, 1},
      {"reversed bounds give a", 5, 2, 1, 5, 5, 1},
      {"step 2", 10, 13, 2, 10, 14, 3},
      {"the widest range does not overflow", INT32_MIN, INT32_MAX, 1, INT32_MIN, INT32_MAX, 2},
  };
  std::srand(7);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::set<int32_t> seen;
    for (int i = 0; i < 600; ++i) {
      const int32_t r = Kettar::randomInt(c.a, c.b, c.step);
      ASSERT_GE(r, c.low);
      ASSERT_LE(r, c.high);
      seen.insert(r);
    }
    EXPECT_GE(seen.size(), c.distinct);
    if (c.distinct == 1) {
      EXPECT_EQ(seen.size(), 1u);
    }
  }
}

TEST(MixerHelpersTest, PositionDistance) {
  struct Case {
    float distance, near, far;
    int expected;
  } cases[] = {
      {1.0f, 1.0f, 2.0f, 1},   {1.5f, 1.0f, 2.0f, 127}, {2.0f, 1.0f, 2.0f, 255},
      {3.0f, 1.0f, 2.0f, 255}, {0.5f, 1.0f, 2.0f, 255}, {1.002f, 1.0f, 2.0f, 1},
      {1e30f, 0.0f, 1.0f, 255}, {-1e30f, 0.0f, 1.0f, 255}, {kNaN, 1.0f, 2.0f, 255},
      {kInf, 1.0f, 2.0f, 255}, {-kInf, 1.0f, 2.0f, 255}, {1.0f, kNaN, 2.0f, 255},
      {1.0f, 1.0f, 1.0f, 1},   {0.5f, 1.0f, 1.0f, 255}, {2.0f, 1.0f, 1.0f, 255},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.distance) + " " + std::to_string(c.near) + " " +
                 std::to_string(c.far));
    EXPECT_EQ(Kettar::positionDistance(c.distance, c.near, c.far), c.expected);
  }
}

TEST(MixerHelpersTest, PositionAngle) {
  struct Case {
    float angle;
    int expected;
  } cases[] = {{0.0f, 0},          {1.0f, 1},        {-90.7f, -90},     {359.9f, 359},
               {65546.0f, 10},     {32768.0f, -32768}, {-65537.0f, -1}, {3e9f, 24064},
               {1e30f, 0},         {kNaN, 0},        {kInf, 0},         {-kInf, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.angle));
    EXPECT_EQ(Kettar::positionAngle(c.angle), c.expected);
  }
}

TEST(MixerHelpersTest, SdlVolume) {
  struct Case {
    int32_t percent;
    int32_t expected;
  } cases[] = {{0, 0},     {20, 25},   {40, 51},      {60, 76},      {80, 102},
               {100, 128}, {-20, 0},   {150, 128},    {INT32_MAX, 128}, {INT32_MIN, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.percent);
    EXPECT_EQ(Kettar::sdlVolume(c.percent), c.expected);
  }
}

TEST(MixerHelpersTest, WholeMilliseconds) {
  struct Case {
    float seconds;
    int32_t minimum;
    int32_t expected;
  } cases[] = {{1.0f, 0, 1000},       {2.5f, 0, 2500},  {0.0019f, 0, 1}, {0.0f, 1, 1},
               {-3.0f, 0, 0},         {-3.0f, 1, 1},    {kNaN, 0, 0},    {1e30f, 0, INT32_MAX},
               {kInf, 0, INT32_MAX},  {-kInf, 1, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.seconds));
    EXPECT_EQ(Kettar::wholeMilliseconds(c.seconds, c.minimum), c.expected);
  }
}

TEST(MixerInactiveTest, AudioSwitchedOffDoesNothingAndIsSafe) {
  Kettar::AudioConfig settings;
  settings.active = false;
  CoutCapture log;
  {
    Kettar::Mixer m(&settings, nullptr);
    EXPECT_FALSE(m.active());
    EXPECT_EQ(m.loadSound("any.wav"), -1);
    EXPECT_EQ(m.loadMusic("any.ogg"), -1);
    EXPECT_EQ(m.playSound(0, false, 1, 1, 2, 0), -1);
    m.setSoundVolume(10);
    m.setMusicVolume(10);
    m.changeMusicVolume(5);
    m.selectMusic(0);
    m.nextMusic();
    m.stopMusic();
    EXPECT_EQ(Kettar::Mixer::startMusic(0, &m), 0u);
    EXPECT_EQ(m.lastTrack(), -1);
    EXPECT_EQ(m.restartTimer(), -1);
  }
  EXPECT_EQ(settings.soundVol, 60);
  EXPECT_EQ(settings.musicVol, 40);
  EXPECT_EQ(log.text(), "");
}

// SDL with the dummy audio driver, and the dummy video driver for the event
// queue that carries the music-finished user event; no display is needed.
class AudioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO), 0) << SDL_GetError();
    finishedCalls = 0;
  }
  void TearDown() override {
    Kettar::currentMixer = nullptr;
    Kettar::timerTable.removeAll();
    SDL_Quit();
  }

  // Pumps events for up to seconds, calling onUser for each music-finished
  // event, until done() holds.
  template <typename Done, typename OnUser>
  bool pumpUntil(double seconds, Done done, OnUser onUser) {
    const Uint32 end = SDL_GetTicks() + static_cast<Uint32>(seconds * 1000);
    while (SDL_GetTicks() < end) {
      SDL_Event event;
      while (SDL_PollEvent(&event)) {
        if (event.type == SDL_USEREVENT && event.user.code == 0) onUser();
      }
      if (done()) return true;
      SDL_Delay(5);
    }
    return done();
  }

  static void countFinished() { ++finishedCalls; }
  static std::atomic<int> finishedCalls;

  TempDir dir;

 private:
  media_test::ScopedEnv audioDriver_{"SDL_AUDIODRIVER", "dummy"};
  media_test::ScopedEnv videoDriver_{"SDL_VIDEODRIVER", "dummy"};
};

std::atomic<int> AudioTest::finishedCalls{0};

TEST_F(AudioTest, ConstructionLines) {
  Kettar::AudioConfig settings;
  CoutCapture log;
  {
    Kettar::Mixer m(&settings, nullptr);
    EXPECT_TRUE(m.active());
  }
  const std::vector<std::string> lines = log.lines();
  const std::vector<std::string> expected = {
      "[Mixer] SDL mixer init",
      "[Mixer] frequency: 44100",
      "[Mixer] stereo: ON",
      "[Mixer] number of voices: 8",
      "[Mixer] buffer: 1024",
      "[Mixer] sound format: S16LSB",
      "[Mixer] fade: 0, fadein 2 seconds, fadeout 2 seconds",
      "[Mixer] cycle: 0, interval 1 seconds",
      "[Mixer] sound volume: 60",
      "[Mixer] music volume: 40",
      "[Mixer] SDL mixer quit",
  };
  EXPECT_EQ(lines, expected);
}

TEST_F(AudioTest, StatusShowsTheSettings) {
  Kettar::AudioConfig settings;
  settings.stereo = false;
  settings.voices = 3;
  settings.fade = true;
  settings.cycle = true;
  settings.musicFadeIn = 0.5f;
  settings.musicFadeOut = 1.25f;
  settings.musicRestart = 3.0f;
  CoutCapture log;
  Kettar::Mixer m(&settings, nullptr);
  const std::string text = log.text();
  EXPECT_NE(text.find("[Mixer] stereo: OFF\n"), std::string::npos);
  EXPECT_NE(text.find("[Mixer] number of voices: 3\n"), std::string::npos);
  EXPECT_NE(text.find("[Mixer] fade: 1, fadein 0.5 seconds, fadeout 1.25 seconds\n"),
            std::string::npos);
  EXPECT_NE(text.find("[Mixer] cycle: 1, interval 3 seconds\n"), std::string::npos);
  EXPECT_EQ(m.voices(), 3);
}

TEST_F(AudioTest, StoredVolumesAreBoundedByTheDifference) {
  struct Step {
    bool music;
    int32_t percent;
    int32_t stored;
  };
  struct Case {
    const char* name;
    int32_t sound, music;
    std::vector<Step> steps;
  } cases[] = {
      {"D = 20", 60, 40, {{true, 100, 80}, {true, -30, -20}, {false, 100, 100}, {false, -5, 0}}},
      {"D = -20", 40, 60, {{false, 100, 80}, {false, -30, -20}, {true, 100, 100}, {true, -5, 0}}},
      {"D = 0", 50, 50, {{true, 120, 100}, {true, -1, 0}, {false, 101, 100}, {false, -9, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Kettar::AudioConfig settings;
    settings.soundVol = c.sound;
    settings.musicVol = c.music;
    CoutCapture quiet;
    Kettar::Mixer m(&settings, nullptr);
    EXPECT_EQ(m.volumeDifference(), c.sound - c.music);
    for (const Step& s : c.steps) {
      SCOPED_TRACE(std::string(s.music ? "music " : "sound ") + std::to_string(s.percent));
      if (s.music) {
        m.setMusicVolume(s.percent);
        EXPECT_EQ(settings.musicVol, s.stored);
        EXPECT_EQ(Mix_VolumeMusic(-1), Kettar::sdlVolume(s.percent));
      } else {
        m.setSoundVolume(s.percent);
        EXPECT_EQ(settings.soundVol, s.stored);
        EXPECT_EQ(Mix_Volume(0, -1), Kettar::sdlVolume(s.percent));
      }
    }
  }
}

TEST_F(AudioTest, ChangingAVolumeAddsToTheStoredOne) {
  Kettar::AudioConfig settings;
  CoutCapture quiet;
  Kettar::Mixer m(&settings, nullptr);
  m.changeMusicVolume(15);
  EXPECT_EQ(settings.musicVol, 55);
  m.changeSoundVolume(-70);
  EXPECT_EQ(settings.soundVol, 0);
  m.changeSoundVolume(INT32_MAX);
  EXPECT_EQ(settings.soundVol, 100);
}

TEST_F(AudioTest, SoundSlotsAreReusedAndTheTableHolds111) {
  Kettar::AudioConfig settings;
  CoutCapture log;
  Kettar::Mixer m(&settings, nullptr);
  const std::string first = dir.path("s000.wav");
  media_test::writeWav(first, 0.01);
  const std::string missing = dir.path("missing.wav");

  EXPECT_EQ(m.loadSound(missing.c_str()), -1);
  EXPECT_EQ(m.loadSound(first.c_str()), 0);  // the failed load left slot 0 empty
  EXPECT_EQ(m.loadSound(first.c_str()), 0);
  const auto lines = log.lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 3], "!![Mixer] error: cannot load " + missing);
  EXPECT_EQ(lines[lines.size() - 2], "[Mixer] " + first + " loaded");
  EXPECT_EQ(lines[lines.size() - 1], "[Mixer] ..." + first + " already loaded");

  for (int i = 1; i < Kettar::Mixer::kSoundSlots; ++i) {
    const std::string path = dir.path("s" + std::to_string(1000 + i) + ".wav");
    media_test::writeWav(path, 0.01);
    ASSERT_EQ(m.loadSound(path.c_str()), i);
  }
  EXPECT_EQ(m.soundCount(), 111u);
  const std::string extra = dir.path("extra.wav");
  media_test::writeWav(extra, 0.01);
  const size_t before = log.lines().size();
  EXPECT_EQ(m.loadSound(extra.c_str()), -1);
  EXPECT_EQ(m.loadSound(first.c_str()), -1);  // full: even a loaded path gives -1
  EXPECT_EQ(log.lines().size(), before);      // without a message

  EXPECT_EQ(m.playSound(-1, false, 1, 1, 2, 0), -1);
  EXPECT_EQ(m.playSound(111, false, 1, 1, 2, 0), -1);
  EXPECT_EQ(m.playSound(INT32_MIN, false, 1, 1, 2, 0), -1);
  EXPECT_GE(m.playSound(5, false, 1.5f, 1, 2, -90.7f), 0);
  EXPECT_GE(m.playSound(6, true, kNaN, 1, 1, kInf), 0);
}

TEST_F(AudioTest, MusicSlotsHold33) {
  Kettar::AudioConfig settings;
  CoutCapture log;
  Kettar::Mixer m(&settings, nullptr);
  EXPECT_EQ(m.loadMusic(dir.path("missing.ogg").c_str()), -1);
  EXPECT_EQ(log.lines().back().rfind("!![Mixer] error: ", 0), 0u);
  for (int i = 0; i < Kettar::Mixer::kMusicSlots; ++i) {
    const std::string path = dir.path("m" + std::to_string(i) + ".wav");
    media_test::writeWav(path, 0.01);
    ASSERT_EQ(m.loadMusic(path.c_str()), i);
  }
  const std::string again = dir.path("m3.wav");
  EXPECT_EQ(m.musicCount(), 33u);
  const std::string extra = dir.path("extra.wav");
  media_test::writeWav(extra, 0.01);
  EXPECT_EQ(m.loadMusic(extra.c_str()), -1);
  EXPECT_EQ(m.loadMusic(again.c_str()), -1);
}

TEST_F(AudioTest, LoadingATrackTwiceWarns) {
  Kettar::AudioConfig settings;
  CoutCapture log;
  Kettar::Mixer m(&settings, nullptr);
  const std::string path = dir.path("t.ogg");
  media_test::writeOgg(path, 0.1);
  EXPECT_EQ(m.loadMusic(path.c_str()), 0);
  EXPECT_EQ(m.loadMusic(path.c_str()), 0);
  const auto lines = log.lines();
  EXPECT_EQ(lines[lines.size() - 2], "[Mixer] " + path + " loaded");
  EXPECT_EQ(lines.back(), "!![Mixer] " + path + " already loaded");
}

// The music road relies on this SDL_mixer behaviour: a halt never reaches the
// finished hook, while the end of a fade-out and the natural end of a track
// each reach it once. A library that behaves otherwise shows here.
TEST_F(AudioTest, SdlMixerCallsTheFinishedHookOnlyForFadesAndNaturalEnds) {
  ASSERT_EQ(Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024), 0) << Mix_GetError();
  Mix_HookMusicFinished(&AudioTest::countFinished);
  const std::string longTrack = dir.path("long.ogg");
  const std::string shortTrack = dir.path("short.ogg");
  media_test::writeOgg(longTrack, 3.0);
  media_test::writeOgg(shortTrack, 0.2);
  Mix_Music* music = Mix_LoadMUS(longTrack.c_str());
  Mix_Music* brief = Mix_LoadMUS(shortTrack.c_str());
  ASSERT_NE(music, nullptr) << Mix_GetError();
  ASSERT_NE(brief, nullptr) << Mix_GetError();

  ASSERT_EQ(Mix_PlayMusic(music, 1), 0);
  SDL_Delay(100);
  Mix_HaltMusic();
  SDL_Delay(200);
  EXPECT_EQ(finishedCalls, 0) << "halt";

  ASSERT_EQ(Mix_PlayMusic(music, 1), 0);
  SDL_Delay(100);
  ASSERT_EQ(Mix_FadeOutMusic(100), 1);
  const Uint32 end = SDL_GetTicks() + 3000;
  while (finishedCalls == 0 && SDL_GetTicks() < end) SDL_Delay(10);
  SDL_Delay(200);
  EXPECT_EQ(finishedCalls, 1) << "fade-out";
  EXPECT_EQ(Mix_PlayingMusic(), 0);

  finishedCalls = 0;
  ASSERT_EQ(Mix_PlayMusic(brief, 1), 0);
  const Uint32 end2 = SDL_GetTicks() + 3000;
  while (finishedCalls == 0 && SDL_GetTicks() < end2) SDL_Delay(10);
  SDL_Delay(200);
  EXPECT_EQ(finishedCalls, 1) << "natural end";

  Mix_HookMusicFinished(nullptr);
  Mix_FreeMusic(music);
  Mix_FreeMusic(brief);
  Mix_CloseAudio();
}

// An application that keeps the framework's own user-event hook.
class DefaultHookApp : public Kettar::SDLKettarApp {
 public:
  DefaultHookApp() : SDLKettarApp("music") {}
  bool init() override { return true; }
  void shutdown() override {}
};

// Two tiny tracks follow each other the framework's default way: the finished
// hook pushes the user event, whose default handler schedules the delayed
// restart with cycle.
TEST_F(AudioTest, TracksFollowEachOtherThroughTheUserEvent) {
  Kettar::AudioConfig settings;
  settings.cycle = true;
  settings.musicRestart = 0.05f;
  CoutCapture log;
  Kettar::Mixer m(&settings, &Kettar::pushUserEvent);
  Kettar::currentMixer = &m;
  DefaultHookApp app;
  for (const char* name : {"one.ogg", "two.ogg"}) {
    media_test::writeOgg(dir.path(name), 0.15);
    ASSERT_GE(m.loadMusic(dir.path(name).c_str()), 0);
  }
  m.selectMusic(0);
  EXPECT_EQ(m.lastTrack(), 0);
  // After the last loaded track play goes on with track 0.
  int restarts = 0;
  auto onUser = [&] {
    ++restarts;
    app.onUserEvent();
  };
  ASSERT_TRUE(pumpUntil(10.0, [&] { return restarts == 2 && m.lastTrack() == 0 && m.nextTrack() == 1; },
                        onUser));
  std::vector<std::string> starts;
  for (const std::string& line : log.lines()) {
    if (line.rfind("StartMusic: ", 0) == 0) starts.push_back(line);
  }
  const std::vector<std::string> expected = {"StartMusic: 0", "StartMusic: 1", "StartMusic: 0"};
  EXPECT_EQ(starts, expected);
  EXPECT_EQ(m.restartTimer(), -1);
}

// The default hook only schedules: with cycle the next track starts after
// musicRestart seconds, without it nothing starts.
TEST_F(AudioTest, TheDefaultUserEventHookSchedulesTheRestartOnlyWithCycle) {
  for (bool cycle : {true, false}) {
    SCOPED_TRACE(cycle ? "cycle" : "no cycle");
    Kettar::AudioConfig settings;
    settings.cycle = cycle;
    settings.musicRestart = 0.2f;
    CoutCapture log;
    Kettar::Mixer m(&settings, nullptr);
    Kettar::currentMixer = &m;
    media_test::writeOgg(dir.path("r.ogg"), 1.0);
    ASSERT_EQ(m.loadMusic(dir.path("r.ogg").c_str()), 0);
    DefaultHookApp app;
    app.onUserEvent();
    EXPECT_EQ(m.restartTimer() >= 0, cycle);
    EXPECT_EQ(m.lastTrack(), -1);  // not at once
    const Uint32 end = SDL_GetTicks() + (cycle ? 5000 : 500);
    while (m.lastTrack() == -1 && SDL_GetTicks() < end) SDL_Delay(10);
    EXPECT_EQ(m.lastTrack(), cycle ? 0 : -1);
    EXPECT_EQ(log.text().find("StartMusic: 0\n") != std::string::npos, cycle);
    m.stopMusic();
    Kettar::currentMixer = nullptr;
  }
}

TEST_F(AudioTest, WithFadeTheNextTrackFollowsTheFadeOut) {
  Kettar::AudioConfig settings;
  settings.fade = true;
  settings.musicFadeIn = 0.05f;
  settings.musicFadeOut = -4.0f;  // unvalidated: the fade still ends through the hook
  CoutCapture log;
  Kettar::Mixer m(&settings, &Kettar::pushUserEvent);
  for (const char* name : {"a.ogg", "b.ogg"}) {
    media_test::writeOgg(dir.path(name), 3.0);
    ASSERT_GE(m.loadMusic(dir.path(name).c_str()), 0);
  }
  m.selectMusic(0);
  SDL_Delay(100);
  m.selectMusic(1);  // fades the playing track out; the hook brings the next one
  EXPECT_EQ(m.restartTimer(), -1);
  ASSERT_TRUE(pumpUntil(5.0, [&] { return m.lastTrack() == 1; }, [&] { m.nextMusic(); }));
  m.stopMusic();
}

TEST_F(AudioTest, SelectingAnInvalidTrackBeforeAnyStartPlaysTrackZero) {
  Kettar::AudioConfig settings;
  CoutCapture log;
  Kettar::Mixer m(&settings, nullptr);
  media_test::writeOgg(dir.path("z.ogg"), 1.0);
  ASSERT_EQ(m.loadMusic(dir.path("z.ogg").c_str()), 0);
  m.selectMusic(-1);
  EXPECT_EQ(m.lastTrack(), 0);
  EXPECT_EQ(m.nextTrack(), 1);
  EXPECT_NE(log.text().find("StartMusic: 0\n"), std::string::npos);
  m.stopMusic();
}

TEST_F(AudioTest, StartMusicWithNoTracksDoesNothing) {
  Kettar::AudioConfig settings;
  CoutCapture log;
  Kettar::Mixer m(&settings, nullptr);
  EXPECT_EQ(Kettar::Mixer::startMusic(0, &m), 0u);
  m.selectMusic(5);
  EXPECT_EQ(log.text().find("StartMusic"), std::string::npos);
  EXPECT_EQ(m.lastTrack(), -1);
}

// A pending restart is removed before the music it would play is freed.
TEST_F(AudioTest, DestroyingWithARestartPendingCancelsIt) {
  Kettar::AudioConfig settings;
  settings.cycle = true;
  settings.musicRestart = 0.3f;
  CoutCapture log;
  {
    Kettar::Mixer m(&settings, nullptr);
    media_test::writeOgg(dir.path("p.ogg"), 0.1);
    ASSERT_EQ(m.loadMusic(dir.path("p.ogg").c_str()), 0);
    m.scheduleRestart();
    EXPECT_GE(m.restartTimer(), 0);
  }
  SDL_Delay(500);
  EXPECT_EQ(log.text().find("StartMusic"), std::string::npos);
}

TEST_F(AudioTest, StopMusicForgetsThePendingRestart) {
  Kettar::AudioConfig settings;
  settings.cycle = true;
  settings.musicRestart = 0.2f;
  CoutCapture log;
  Kettar::Mixer m(&settings, nullptr);
  media_test::writeOgg(dir.path("q.ogg"), 0.1);
  ASSERT_EQ(m.loadMusic(dir.path("q.ogg").c_str()), 0);
  m.scheduleRestart();
  m.stopMusic();
  EXPECT_EQ(m.restartTimer(), -1);
  SDL_Delay(400);
  EXPECT_EQ(log.text().find("StartMusic"), std::string::npos);
}

TEST_F(AudioTest, WithoutFadeTheNextTrackWaitsForTheRestart) {
  Kettar::AudioConfig settings;
  settings.musicRestart = NAN;  // unvalidated: starts at once rather than never
  CoutCapture log;
  Kettar::Mixer m(&settings, nullptr);
  for (const char* name : {"x.ogg", "y.ogg"}) {
    media_test::writeOgg(dir.path(name), 3.0);
    ASSERT_GE(m.loadMusic(dir.path(name).c_str()), 0);
  }
  m.selectMusic(0);
  m.selectMusic(1);  // halts track 0 and sets the restart timer
  ASSERT_TRUE(pumpUntil(3.0, [&] { return m.lastTrack() == 1; }, [] {}));
  EXPECT_EQ(m.restartTimer(), -1);
  m.stopMusic();
}

TEST_F(AudioTest, SoundGroupsPlayARandomMember) {
  Kettar::AudioConfig settings;
  CoutCapture quiet;
  Kettar::SoundGroup group;
  EXPECT_EQ(group.playRandom(1, 1, 2, 0), -1);  // no mixer yet
  Kettar::Mixer m(&settings, nullptr);
  Kettar::mixer = &m;
  EXPECT_EQ(group.playRandom(1, 1, 2, 0), -1);  // empty
  for (int i = 1; i <= 3; ++i) {
    const std::string path = dir.path("touch-0" + std::to_string(i) + ".wav");
    media_test::writeWav(path, 0.05);
    group.add(path);
  }
  group.add(dir.path("touch-04.wav"));  // missing: kept as -1
  EXPECT_EQ(group.handles(), (std::vector<int32_t>{0, 1, 2, -1}));
  std::srand(3);
  int played = 0;
  int silent = 0;
  for (int i = 0; i < 40; ++i) {
    Mix_HaltChannel(-1);
    (group.playRandom(1, 1, 2, 0) >= 0 ? played : silent)++;
  }
  EXPECT_GT(played, 0);
  EXPECT_GT(silent, 0);  // the failed member plays nothing when drawn
  Kettar::mixer = nullptr;
}

}  // namespace
