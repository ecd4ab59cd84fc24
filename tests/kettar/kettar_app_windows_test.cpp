#include "kettar/platform/app_platform.h"
#include "kettar/platform/video_mode.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "kettar/kettar_app.h"
#include "kettar/sdl_kettar_app.h"
#include "media_assets.h"
#include "support/sdl_video.h"

namespace {

using media_test::CoutCapture;

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

TEST(KettarAppWindows, SdlStartsWithoutItsEventThread) {
  EXPECT_EQ(Kettar::sdlInitFlags(), static_cast<uint32_t>(SDL_INIT_TIMER | SDL_INIT_VIDEO));
}

TEST(KettarAppWindows, TheBannerHasNoReleaseBuildLine) {
  const std::vector<std::string> banner = lines(Kettar::bannerText("SDL", "C:\\Games\\Ombrel\\"));
  ASSERT_EQ(banner.size(), 2u);
  EXPECT_EQ(banner[0].rfind("This is SDLKettar 1.0-r7, compiled on ", 0), 0u);
  EXPECT_EQ(banner[1], "Running in C:\\Games\\Ombrel\\");
}

class ConfiguredApp : public Kettar::SDLKettarApp {
 public:
  ConfiguredApp() : SDLKettarApp("test") {}
  bool init() override { return true; }
  void shutdown() override {}
  void loadConfigHook() override { loadConfig(configPath); }
  std::string configPath;
};

// Resizing is cleared after the file and the forced values, so it holds
// whatever asked for it, and the cleared value is what is saved.
TEST(KettarAppWindows, ARequestedResizableWindowIsClearedWithAWarning) {
  media_test::TempDir folder;
  struct Row {
    const char* name;
    const char* file;
    bool warned;
  };
  const Row rows[] = {
      {"asked for", "VideoConfig\n{\n  resizable = true\n}\n", true},
      {"not asked for", "VideoConfig\n{\n  resizable = false\n}\n", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    // The capture outlives the app, whose log target hands the console back when it goes.
    CoutCapture out;
    ConfiguredApp app;
    app.configPath = folder.path("ombrel.cfg");
    media_test::writeFile(app.configPath, row.file);
    app.start();
    EXPECT_FALSE(app.videoConfig.resizable);
    const std::vector<std::string> log = out.lines();
    ASSERT_FALSE(log.empty());
    const bool warned = log.back() == "!![App] warning: under Windows resizing cannot be enabled";
    EXPECT_EQ(warned, row.warned) << out.text();
    EXPECT_EQ(out.text().find("Release build"), std::string::npos);
  }
}

class VideoModeWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test_support::haveDisplay()) GTEST_SKIP() << "no display for a window";
    ASSERT_EQ(test_support::startSdlVideo(), 0) << SDL_GetError();
  }
  void TearDown() override { SDL_Quit(); }
};

TEST_F(VideoModeWindows, TheFullscreenToggleLeavesTheWindowAndTheFlag) {
  Kettar::VideoConfig video;
  video.width = 320;
  video.height = 240;
  SDL_Surface* window = SDL_SetVideoMode(video.width, video.height, 32, 0);
  ASSERT_NE(window, nullptr) << SDL_GetError();
  for (const bool fullScreen : {false, true}) {
    SCOPED_TRACE(fullScreen ? "fullscreen" : "windowed");
    video.fullScreen = fullScreen;
    std::ostringstream log;
    Kettar::toggleWindowFullscreen(video, window, log);
    EXPECT_EQ(video.fullScreen, fullScreen);
    EXPECT_EQ(log.str(), "");
    EXPECT_EQ(SDL_GetVideoSurface()->flags & SDL_FULLSCREEN, 0u);
  }
}

// Software windows: the size test and the fallback are the same for OpenGL ones.
TEST_F(VideoModeWindows, AFullscreenSizeTheDisplayLacksFallsBackToTheBestMode) {
  const char* const fallback =
      "!![Engine] warning: fullscreen 12345x777 resolution is not available.\n"
      "Trying best resolution...\n";
  const char* const fatal =
      "!![Engine] fatal error: failed to set video mode. Please check the config file\n";
  struct Row {
    const char* name;
    int width, height;
    uint32_t flags;
    int bestWidth, bestHeight;
    std::string log;
    bool opened;
    int openedWidth, openedHeight;
  };
  // The display's own widest mode is the one size it surely shows fullscreen.
  const Kettar::VideoModeSize best =
      Kettar::widestMode(SDL_ListModes(nullptr, SDL_FULLSCREEN | SDL_HWSURFACE));
  if (best.width == 0) GTEST_SKIP() << "the display lists no fullscreen mode";
  const Row rows[] = {
      {"a window is not tested", 320, 240, 0, best.width, best.height, "", true, 320, 240},
      {"an available fullscreen size is kept", best.width, best.height, SDL_FULLSCREEN, 0, 0, "",
       true, best.width, best.height},
      {"a missing size takes the best mode", 12345, 777, SDL_FULLSCREEN, best.width, best.height,
       fallback, true, best.width, best.height},
      {"a best mode that fails too is fatal", 12345, 777, SDL_FULLSCREEN, 20000, 20000,
       std::string(fallback) + fatal, false, 20000, 20000},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Kettar::VideoConfig video;
    video.width = row.width;
    video.height = row.height;
    std::ostringstream log;
    SDL_Surface* window = Kettar::openVideoMode(video, row.flags, row.bestWidth, row.bestHeight, log);
    EXPECT_EQ(window != nullptr, row.opened) << SDL_GetError();
    EXPECT_EQ(log.str(), row.log);
    EXPECT_EQ(video.width, row.openedWidth);
    EXPECT_EQ(video.height, row.openedHeight);
  }
}

}  // namespace
