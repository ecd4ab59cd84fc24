// The fullscreen setter and the t key on a real window as large as the screen:
// the setter takes the window to the state asked for, whatever the setting
// said, and the cursor follows.

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "game/ombrel.h"
#include "game/version.h"
#include "kettar/sdl_engine.h"
#include "support/sdl_video.h"

namespace {

class OmbrelFullscreen : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test_support::haveDisplay()) GTEST_SKIP() << "no X display";
    setenv("SDL_VIDEODRIVER", "x11", 0);
    ASSERT_EQ(test_support::startSdlVideo(), 0) << SDL_GetError();
    // The screen's own size is a mode the display offers fullscreen, so the
    // toggle is never refused here.
    const SDL_VideoInfo* screen = SDL_GetVideoInfo();
    ASSERT_NE(screen, nullptr) << SDL_GetError();
    game.videoConfig.width = screen->current_w;
    game.videoConfig.height = screen->current_h;
    engine = std::make_unique<Kettar::SDLEngine>(&game, &game.appConfig, &game.videoConfig);
    engine->surface = SDL_SetVideoMode(screen->current_w, screen->current_h, 0, 0);
    ASSERT_NE(engine->surface, nullptr) << SDL_GetError();
    Kettar::engine = engine.get();
    opened_ = true;
  }
  void TearDown() override {
    if (!opened_) return;
    Kettar::engine = nullptr;
    engine.reset();
    SDL_Quit();
  }

  bool windowFull() const { return (engine->surface->flags & SDL_FULLSCREEN) != 0; }
  static bool cursorShown() { return SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE; }

  Ombrel game{kGameTitle};
  std::unique_ptr<Kettar::SDLEngine> engine;
  bool opened_ = false;
};

TEST_F(OmbrelFullscreen, SetterReachesTheStateAskedFor) {
  game.setFullscreen(true);
  EXPECT_TRUE(windowFull());
  EXPECT_TRUE(game.videoConfig.fullScreen);
  EXPECT_FALSE(cursorShown());
  // Chosen again while on: no toggle back out.
  game.setFullscreen(true);
  EXPECT_TRUE(windowFull());
  EXPECT_TRUE(game.videoConfig.fullScreen);
  EXPECT_FALSE(cursorShown());

  game.setFullscreen(false);
  EXPECT_FALSE(windowFull());
  EXPECT_FALSE(game.videoConfig.fullScreen);
  EXPECT_TRUE(cursorShown());
  game.setFullscreen(false);
  EXPECT_FALSE(windowFull());
  EXPECT_TRUE(cursorShown());
}

// The setting says fullscreen while the window is not (the display refused
// it, or the setting came from the file): asking for windowed must not switch
// the window into fullscreen.
TEST_F(OmbrelFullscreen, WindowedAskedWhileTheSettingSaysFullscreen) {
  game.videoConfig.fullScreen = true;
  game.setFullscreen(false);
  EXPECT_FALSE(windowFull());
  EXPECT_FALSE(game.videoConfig.fullScreen);
  EXPECT_TRUE(cursorShown());
}

TEST_F(OmbrelFullscreen, PressingTTwiceReturnsToWindowedWithTheCursor) {
  uint8_t keys[Kettar::kKeyCount] = {};
  for (int i = 0; i < 2; ++i) {
    keys[Ombrel::kKeyT] = 1;
    game.keyEvent(keys, Ombrel::kKeyT);
    keys[Ombrel::kKeyT] = 0;
    game.keyEvent(keys, Ombrel::kKeyT);
  }
  EXPECT_FALSE(windowFull());
  EXPECT_FALSE(game.videoConfig.fullScreen);
  EXPECT_TRUE(cursorShown());
}

}  // namespace
