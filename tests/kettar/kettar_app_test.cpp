#include "kettar/kettar_app.h"
#include "kettar/platform/app_platform.h"
#include "kettar/viewport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "media_assets.h"
#include "support/file_size_limit.h"
#include "support/sdl_video.h"

namespace {

using media_test::CoutCapture;

void pushNothing() {}

class RecordingApp : public Kettar::KettarApp {
 public:
  void toggleFullscreen() override { calls.push_back("toggleFullscreen"); }
  void showCursor(bool) override { calls.push_back("showCursor"); }
  bool init() override {
    calls.push_back("init");
    return true;
  }
  void shutdown() override { calls.push_back("shutdown"); }
  std::string backendName() override {
    calls.push_back("backendName");
    return "Test";
  }
  Kettar::UserEventPusher userEventPusher() override {
    calls.push_back("userEventPusher");
    return &pushNothing;
  }
  void loadConfigHook() override {
    calls.push_back("loadConfigHook");
    if (!configPath.empty()) loadConfig(configPath);
  }
  void forceConfig() override {
    calls.push_back("forceConfig");
    if (forcePps != 0) appConfig.pps = forcePps;
  }

  std::vector<std::string> calls;
  std::string configPath;  // empty: the hook reads no file
  int forcePps = 0;
};

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

class KettarAppTest : public ::testing::Test {
 protected:
  std::string writeConfigFile(const std::string& text) {
    const std::string path = folder.path("test.cfg");
    media_test::writeFile(path, text);
    return path;
  }

  media_test::TempDir folder;
  const std::string directory = folder.path("");  // with its trailing "/", as the program's is
};

// The compiler's date form: "Mar 29 2011", the day padded with a blank.
bool isCompilerDate(const std::string& date) {
  static const std::string months = "JanFebMarAprMayJunJulAugSepOctNovDec";
  if (date.size() != 11 || date[3] != ' ' || date[6] != ' ') return false;
  const std::size_t month = months.find(date.substr(0, 3));
  if (month == std::string::npos || month % 3 != 0) return false;
  if (!(date[4] == ' ' || (date[4] >= '1' && date[4] <= '3')) || !std::isdigit(static_cast<unsigned char>(date[5]))) return false;
  for (std::size_t i = 7; i < 11; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(date[i]))) return false;
  }
  return true;
}

TEST(Banner, HasThreeLinesWithTheCompilerDate) {
  EXPECT_TRUE(isCompilerDate("Mar 29 2011"));
  EXPECT_TRUE(isCompilerDate("Dec  1 2026"));
  EXPECT_FALSE(isCompilerDate("Dec 01 2026 "));
  EXPECT_FALSE(isCompilerDate("Foo 10 2026"));

  const std::vector<std::string> banner = lines(Kettar::bannerText("SDL", "/opt/game/"));
  ASSERT_EQ(banner.size(), 3u);
  const std::string head = "This is SDLKettar 1.0-r7, compiled on ";
  ASSERT_EQ(banner[0].substr(0, head.size()), head);
  EXPECT_TRUE(isCompilerDate(banner[0].substr(head.size()))) << banner[0];
  EXPECT_EQ(banner[1], "Release build");
  EXPECT_EQ(banner[2], "Running in /opt/game/");
}

TEST_F(KettarAppTest, StartCallsTheHooksInOrderAndValidatesOnlyAFileThatWasRead) {
  struct Row {
    const char* name;
    std::string file;  // empty: no file is read
    bool validated;
  };
  const Row rows[] = {
      {"no file", "", false},
      {"a file with one section", "AppConfig\n{\n  fps = 0\n}\n", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    CoutCapture out;
    {
      RecordingApp app;
      if (!row.file.empty()) app.configPath = writeConfigFile(row.file);
      app.forcePps = 500;
      app.start();
      EXPECT_EQ(app.calls, (std::vector<std::string>{"backendName", "loadConfigHook", "forceConfig"}));
      EXPECT_EQ(app.configRead, row.validated);
      EXPECT_EQ(app.appConfig.fps, 60);  // the default, or the file's 0 corrected by validation
      EXPECT_EQ(app.appConfig.pps, 500);  // forced after validation
    }
    const std::vector<std::string> log = lines(out.text());
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[0].rfind("This is TestKettar 1.0-r7, compiled on ", 0), 0u);
    EXPECT_EQ(log[1], "Release build");
    EXPECT_EQ(log[2], "Running in " + Kettar::executableDirectory);
    const bool requested = out.text().find("[App] requesting") != std::string::npos;
    EXPECT_EQ(requested, row.validated);
    if (row.validated) {
      EXPECT_EQ(log[3], "Using configuration file: " + directory + "test.cfg");
      EXPECT_EQ(log[4], "[App] requesting dualThread: false...");
      EXPECT_NE(out.text().find("[App] requesting fps: 0, which is impossible; defaulting to 60\n"),
                std::string::npos);
    } else {
      EXPECT_EQ(log.size(), 3u);
    }
  }
}

TEST_F(KettarAppTest, WithLogToNoneOnlyTheBannerAndTheFileLineReachTheConsole) {
  const std::string path = writeConfigFile("AppConfig\n{\n  logTo = none\n}\n");
  CoutCapture out;
  {
    RecordingApp app;
    app.configPath = path;
    app.start();
    std::cout << "[App] a later line" << std::endl;
    app.appConfig.logTo = "console";
    app.applyLogTarget();
    std::cout << "[App] back on the console" << std::endl;
  }
  const std::vector<std::string> log = lines(out.text());
  ASSERT_EQ(log.size(), 5u) << out.text();
  EXPECT_EQ(log[3], "Using configuration file: " + path);
  EXPECT_EQ(log[4], "[App] back on the console");
}

TEST_F(KettarAppTest, TheDefaultForceHookSaysSoAndTheSettingsStartFromTheDefaults) {
  class PlainApp : public RecordingApp {
   public:
    void forceConfig() override { KettarApp::forceConfig(); }
  };
  CoutCapture out;
  PlainApp app;
  app.appConfig.fps = 5;
  app.videoConfig.width = 7;
  app.start();
  EXPECT_EQ(app.appConfig.fps, 60);
  EXPECT_EQ(app.videoConfig.width, 800);
  EXPECT_EQ(lines(out.text()).back(), "[App] No config values will be forced");
}

// Settings that cannot be written at exit are lost (written in place, the old ones with them):
// the log says so. The save has no result to give; the program ends as it would have.
TEST_F(KettarAppTest, ASaveThatFailsIsReported) {
  struct Row {
    const char* name;
    std::string file;
    bool secondName;  // a second hard link: the file is written in place
    unsigned long sizeLimit;  // 0: none; else the most bytes a file may take
    bool written;
  };
  const Row rows[] = {
      {"the file is written", "test.cfg", false, 0, true},
      {"a folder that does not exist", "gone/test.cfg", false, 0, false},
      {"a disk that fills while the file is written in place", "test.cfg", true, 64, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = folder.path(row.file);
    if (row.secondName) {
      media_test::writeFile(path, "old settings\n");
      std::filesystem::create_hard_link(path, folder.path("second.cfg"));
    }
    CoutCapture out;
    RecordingApp app;
    if (row.sizeLimit == 0)
      app.saveConfig(path);
    else
      ASSERT_TRUE(test_support::withFileSizeLimit(row.sizeLimit, [&] { app.saveConfig(path); }));
    EXPECT_EQ(out.text(), row.written ? "" : "!![App] cannot write " + path + "\n");
    std::filesystem::remove(folder.path("second.cfg"));
    std::filesystem::remove(path);
  }
}

TEST_F(KettarAppTest, StartSubsystemsAsksForTheMusicHookAndSetsTheViewportUp) {
  CoutCapture out;
  RecordingApp app;
  app.start();
  app.videoConfig.width = 1024;
  app.videoConfig.height = 768;
  app.videoConfig.stretchOnResize = true;
  app.startSubsystems();
  EXPECT_EQ(app.calls.back(), "userEventPusher");
  EXPECT_EQ(app.musicFinished, &pushNothing);
  EXPECT_TRUE(Kettar::viewport.stretch);
  EXPECT_FLOAT_EQ(Kettar::viewport.aspect, 1024.0f / 768.0f);
  EXPECT_EQ(Kettar::viewport.width, 1024);
  EXPECT_EQ(Kettar::viewport.height, 768);
  app.stopSubsystems();
  Kettar::viewport = Kettar::Viewport();
}

// The fullscreen toggle on a window the display cannot show fullscreen at the
// requested size: the error line, and neither the setting nor the window changes.
TEST(FullscreenToggle, ASizeTheDisplayRefusesChangesNothing) {
  if (!test_support::haveDisplay()) GTEST_SKIP() << "no display for a window";
  ASSERT_EQ(test_support::startSdlVideo(), 0) << SDL_GetError();
  Kettar::VideoConfig video;
  video.width = 5000;
  video.height = 4000;
  SDL_Surface* window = SDL_SetVideoMode(320, 240, 32, 0);
  ASSERT_NE(window, nullptr) << SDL_GetError();
  std::ostringstream log;
  Kettar::toggleWindowFullscreen(video, window, log);
  EXPECT_EQ(log.str(), "!![Engine] error: required full screen video mode is not available\n");
  EXPECT_FALSE(video.fullScreen);
  EXPECT_EQ(SDL_GetVideoSurface()->flags & SDL_FULLSCREEN, 0u);
  SDL_Quit();
}

}  // namespace
