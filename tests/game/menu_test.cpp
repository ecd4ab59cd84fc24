#include "game/menu.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <FTGL/ftgl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "game/end.h"
#include "game/pause_state.h"
#include "kettar/mixer.h"
#include "hero_fixture.h"
#include "screen_test_support.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;
using screen_test::FakeHost;
using screen_test::TestEngine;
using screen_test::tap;

// The menu's three sounds get different lengths so that a playing channel
// tells which one it plays.
void writeWav(const std::string& path, uint32_t samples) {
  std::ofstream(path, std::ios::binary) << herotest::wavBytes(samples);
}

// The menu with the game behind a recording fake, on an engine without a
// window and a mixer on SDL's dummy audio driver, whose playing channels show
// the sounds each key played.
class MenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Equal volumes: the mixer then stores any percentage it is given.
    audio_.soundVol = 50;
    audio_.musicVol = 50;
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
    Kettar::mixer = new Kettar::Mixer(&audio_, nullptr);
    ASSERT_TRUE(Kettar::mixer->active());
    // Several seconds each: still playing when the test looks.
    const std::pair<const char*, uint32_t> sounds[] = {
        {"select", 80000}, {"enter", 90000}, {"back", 100000}};
    for (const auto& [name, samples] : sounds) {
      const std::string path = folder_.path(std::string(name) + ".wav");
      writeWav(path, samples);
      handles_[name] = Kettar::mixer->loadSound(path.c_str());
      ASSERT_GE(handles_[name], 0) << name;
      // The mixer converts each sound to the device's format: learn its length there.
      const int channel = Kettar::mixer->playSound(handles_[name], false, 1, 1, 2, 1);
      ASSERT_GE(channel, 0) << name;
      soundOfLength_[Mix_GetChunk(channel)->alen] = name;
      Mix_HaltChannel(-1);
    }
    ASSERT_EQ(soundOfLength_.size(), 3u);
    engine_ = std::make_unique<TestEngine>();
    Kettar::engine = engine_.get();
    host.levels = {"tutorial/03-jump-or-die.orl", "chap-01/10-to-the-inner-planet.orl"};
    makeMenu();
  }

  void TearDown() override {
    menu.reset();
    delete Kettar::mixer;
    Kettar::mixer = nullptr;
    Kettar::engine = nullptr;
    engine_.reset();
    SDL_Quit();
  }

  // A menu as the game builds it, with the test's sounds and two backgrounds
  // told apart by their ids.
  void makeMenu() {
    menu = std::make_unique<Menu>(&host);
    menu->selectSound = handles_["select"];
    menu->enterSound = handles_["enter"];
    menu->backSound = handles_["back"];
    menu->mainBackground = 1;
    menu->chapterBackground = 2;
    menu->background = 1;
    host.menu = menu.get();
    engine_->current = menu.get();
  }

  // Presses and releases each key on the menu; returns the sounds they played.
  std::string press(const std::vector<int32_t>& keys) {
    std::string sounds;
    for (int32_t key : keys) {
      tap(*menu, engine_->keys, key);
      for (int ch = 0; ch < Kettar::mixer->voices(); ++ch) {
        if (!Mix_Playing(ch)) continue;
        const std::string name = soundOfLength_[Mix_GetChunk(ch)->alen];
        sounds += (sounds.empty() ? "" : " ") + (name.empty() ? "?" : name);
      }
      Mix_HaltChannel(-1);
    }
    return sounds;
  }

  // The one active page of the tree by its name below; "" when not exactly one.
  std::string activePage() const {
    const std::map<const MenuPage*, std::string> names = {
        {menu->root.get(), "root"},        {menu->chapters, "chapters"},
        {menu->levelPages[0], "tutorial"}, {menu->levelPages[1], "chapter 1"},
        {menu->levelPages[2], "chapter 2"}, {menu->options, "options"},
        {menu->resolutionPage, "resolution"}, {menu->fullscreenPage, "fullscreen"},
        {menu->vsyncPage, "vsync"},        {menu->antialiasPage, "antialiasing"},
        {menu->soundVolumePage, "sound volume"}, {menu->musicVolumePage, "music volume"},
        {menu->credits, "credits"}};
    std::string found;
    int count = 0;
    for (const auto& [page, name] : names) {
      if (page->active) {
        found = name;
        ++count;
      }
    }
    return count == 1 ? found : "";
  }

  const MenuPage* active() const {
    std::vector<const MenuPage*> todo = {menu->root.get()};
    while (!todo.empty()) {
      const MenuPage* page = todo.back();
      todo.pop_back();
      if (page->active) return page;
      for (const auto& sub : page->subPages) {
        if (sub) todo.push_back(sub.get());
      }
    }
    return nullptr;
  }

  Kettar::AudioConfig audio_;
  std::unique_ptr<TestEngine> engine_;
  FakeHost host;
  std::unique_ptr<Menu> menu;
  std::map<std::string, int32_t> handles_;
  std::map<uint32_t, std::string> soundOfLength_;
  test_files::TempFolder folder_{"menu_test"};
};

constexpr int32_t kEnter = SDLK_RETURN;
constexpr int32_t kEsc = SDLK_ESCAPE;
constexpr int32_t kBackspace = SDLK_BACKSPACE;
constexpr int32_t kUp = SDLK_UP;
constexpr int32_t kDown = SDLK_DOWN;
constexpr int32_t kLeft = SDLK_LEFT;
constexpr int32_t kRight = SDLK_RIGHT;

TEST_F(MenuTest, KeySequences) {
  struct Row {
    const char* name;
    std::vector<int32_t> keys;
    const char* page;  // active afterwards
    int32_t selection;
    const char* calls;
    const char* sounds;
    bool quit;
    int32_t background;  // 1 main, 2 chapter
    bool playing;        // a level became the current screen
  } rows[] = {
      {"Esc at start quits without a sound", {kEsc}, "root", 0, "", "", true, 1, false},
      {"Backspace at start quits", {kBackspace}, "root", 0, "", "", true, 1, false},
      {"start opens SELECT CHAPTER", {kEnter}, "chapters", 0, "", "enter", false, 2, false},
      {"Esc on SELECT CHAPTER goes back with the back sound", {kEnter, kEsc}, "root", 0, "",
       "enter back", false, 1, false},
      {"then Esc on the root quits", {kEnter, kEsc, kEsc}, "root", 0, "", "enter back", true, 1,
       false},
      {"a tutorial level loads its file",
       {kEnter, kEnter, kDown, kDown, kEnter}, "tutorial", 2,
       "loadLevel tutorial/03-jump-or-die.orl", "enter enter select select enter", false, 2, true},
      {"the last level of the first chapter",
       {kEnter, kDown, kEnter, kDown, kDown, kDown, kDown, kDown, kDown, kDown, kDown, kDown, kEnter},
       "chapter 1", 9, "loadLevel chap-01/10-to-the-inner-planet.orl",
       "enter select enter select select select select select select select select select enter",
       false, 2, true},
      {"a missing level keeps the menu; Down stops at the sixth level",
       {kEnter, kDown, kDown, kEnter, kDown, kDown, kDown, kDown, kDown, kDown, kEnter}, "chapter 2",
       5, "loadLevel chap-02/06-spiral-of-sorrow.orl",
       "enter select select enter select select select select select enter", false, 2, false},
      {"a resolution is stored and OPTIONS returns", {kDown, kEnter, kEnter, kDown, kEnter},
       "options", 0, "setResolution 1600 900", "select enter enter select enter enter", false, 2,
       false},
      {"the last resolution",
       {kDown, kEnter, kEnter, kDown, kDown, kDown, kDown, kDown, kDown, kDown, kDown, kDown, kEnter},
       "options", 0, "setResolution 1024 768",
       "select enter enter select select select select select select select select select enter "
       "enter",
       false, 2, false},
      {"fullscreen yes, then no: the value page keeps its selection",
       {kDown, kEnter, kDown, kEnter, kEnter, kEnter, kDown, kEnter}, "options", 1,
       "setFullscreen on, setFullscreen off",
       "select enter select enter enter enter enter select enter enter", false, 2, false},
      {"vsync no", {kDown, kEnter, kDown, kDown, kEnter, kDown, kEnter}, "options", 2,
       "setVsync off", "select enter select select enter select enter enter", false, 2, false},
      {"antialiasing 8x", {kDown, kEnter, kDown, kDown, kDown, kEnter, kDown, kDown, kDown, kEnter},
       "options", 3, "setAntialias 8",
       "select enter select select select enter select select select enter enter", false, 2, false},
      {"Esc after a value goes back to the root with the back sound",
       {kDown, kEnter, kEnter, kEnter, kEsc}, "root", 1, "setResolution 1920 1080",
       "select enter enter enter enter back", false, 1, false},
      {"Esc on a value page returns to OPTIONS", {kDown, kEnter, kEnter, kEsc}, "options", 0, "",
       "select enter enter back", false, 2, false},
      {"CREDITS has no items: Up, Down and Enter change nothing",
       {kDown, kDown, kEnter, kDown, kUp, kEnter}, "credits", 0, "", "select select enter enter",
       false, 2, false},
      {"Up at the top, Left and Right change nothing", {kUp, kLeft, kRight}, "root", 0, "", "",
       false, 1, false},
      {"Down stops at quit", {kDown, kDown, kDown, kDown}, "root", 3, "", "select select select",
       false, 1, false},
      {"Enter on quit quits with the enter sound", {kDown, kDown, kDown, kEnter}, "root", 3, "",
       "select select select enter", true, 1, false},
      {"other keys do nothing", {'a', SDLK_TAB, SDLK_SPACE}, "root", 0, "", "", false, 1, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    makeMenu();
    host.calls.clear();
    engine_->quit = false;
    EXPECT_EQ(press(row.keys), row.sounds);
    EXPECT_EQ(activePage(), row.page);
    ASSERT_NE(active(), nullptr);
    EXPECT_EQ(active()->selection, row.selection);
    EXPECT_EQ(host.joinedCalls(), row.calls);
    EXPECT_EQ(engine_->quit.load(), row.quit);
    EXPECT_EQ(menu->background, row.background);
    EXPECT_EQ(engine_->current == &host.play, row.playing);
  }
}

TEST_F(MenuTest, EveryLevelItemLoadsItsFile) {
  const std::vector<std::vector<std::string>> chapters = {
      {"tutorial/01-move.orl", "tutorial/02-jump.orl", "tutorial/03-jump-or-die.orl",
       "tutorial/04-shoot.orl", "tutorial/05-aim-better.orl", "tutorial/06-move-the-box.orl",
       "tutorial/07-swing.orl", "tutorial/08-shoot-release.orl", "tutorial/09-vazars.orl",
       "tutorial/10-training-room.orl"},
      {"chap-01/01-secret-exit.orl", "chap-01/02-diagonal-climb.orl",
       "chap-01/03-vertical-climb.orl", "chap-01/04-platforms.orl", "chap-01/05-v-room.orl",
       "chap-01/06-dangerous-fall.orl", "chap-01/07-ghost-city.orl",
       "chap-01/08-to-the-moon-and-back.orl", "chap-01/09-it-shoots-at-you.orl",
       "chap-01/10-to-the-inner-planet.orl"},
      {"chap-02/01-moss-tower.orl", "chap-02/02-blob-hell.orl", "chap-02/03-bowels.orl",
       "chap-02/04-icy-ascent.orl", "chap-02/05-the-city.orl", "chap-02/06-spiral-of-sorrow.orl"},
  };
  host.levels.clear();
  for (size_t c = 0; c < chapters.size(); ++c) {
    EXPECT_EQ(menu->levelPages[c]->itemCount(), static_cast<int32_t>(chapters[c].size()));
    for (size_t i = 0; i < chapters[c].size(); ++i) {
      SCOPED_TRACE(chapters[c][i]);
      makeMenu();
      host.calls.clear();
      std::vector<int32_t> keys = {kEnter};
      keys.insert(keys.end(), c, kDown);
      keys.push_back(kEnter);
      keys.insert(keys.end(), i, kDown);
      keys.push_back(kEnter);
      press(keys);
      EXPECT_EQ(host.joinedCalls(), "loadLevel " + chapters[c][i]);
    }
  }
}

TEST_F(MenuTest, AfterALevelTheMenuShowsItsPageAndSelection) {
  press({kEnter, kEnter, kDown, kDown, kEnter});
  ASSERT_EQ(engine_->current, &host.play);
  host.leaveLevel();
  EXPECT_EQ(engine_->current, menu.get());
  EXPECT_EQ(activePage(), "tutorial");
  EXPECT_EQ(active()->selection, 2);
  // The level page is still the last page shown: Esc goes back, it does not quit.
  EXPECT_EQ(press({kEsc}), "back");
  EXPECT_EQ(activePage(), "chapters");
  EXPECT_FALSE(engine_->quit.load());
  // The level page kept its selection: two Enters start the same level again.
  host.calls.clear();
  press({kEnter, kEnter});
  EXPECT_EQ(host.joinedCalls(), "loadLevel tutorial/03-jump-or-die.orl");
}

TEST_F(MenuTest, VolumePagesSetTheMixerAndItsSettings) {
  press({kDown, kEnter, kDown, kDown, kDown, kDown, kEnter, kDown, kDown, kEnter});
  EXPECT_EQ(audio_.soundVol, 40);
  EXPECT_EQ(Mix_Volume(0, -1), 40 * 128 / 100);
  EXPECT_EQ(activePage(), "options");
  press({kDown, kEnter, kDown, kDown, kDown, kDown, kDown, kEnter});
  EXPECT_EQ(audio_.musicVol, 100);
  EXPECT_EQ(Mix_VolumeMusic(-1), 128);
  EXPECT_EQ(activePage(), "options");
  EXPECT_EQ(active()->selection, 5);
  EXPECT_EQ(host.joinedCalls(), "");
}

TEST_F(MenuTest, ANewMenuForgetsThePagesOfTheOldOne) {
  press({kEnter});
  EXPECT_EQ(Menu::lastPageShown, menu->chapters);
  makeMenu();
  EXPECT_EQ(Menu::lastPageShown, nullptr);
  // As at program start: Esc on the root quits.
  press({kEsc});
  EXPECT_TRUE(engine_->quit.load());
}

TEST_F(MenuTest, PagesHoldTheirTitlesItemsAndLines) {
  struct Row {
    const MenuPage* page;
    const char* title;
    int32_t items;
    size_t lines;
    float scale;
    const MenuPage* parent;
  } rows[] = {
      {menu->root.get(), "", 4, 0, 0.017f, nullptr},
      {menu->chapters, "SELECT CHAPTER", 3, 0, 0.012f, menu->root.get()},
      {menu->levelPages[0], "SELECT LEVEL", 10, 0, 0.012f, menu->chapters},
      {menu->options, "OPTIONS", 6, 0, 0.012f, menu->root.get()},
      {menu->resolutionPage, "SELECT RESOLUTION (restart game)", 10, 0, 0.01f, menu->options},
      {menu->fullscreenPage, "FULLSCREEN? (restart game)", 2, 0, 0.012f, menu->options},
      {menu->vsyncPage, "VSYNC? (restart game, fullscreen only)", 2, 0, 0.012f, menu->options},
      {menu->antialiasPage, "Antialiasing (restart game)", 4, 0, 0.012f, menu->options},
      {menu->soundVolumePage, "Sound effects volume", 6, 0, 0.012f, menu->options},
      {menu->musicVolumePage, "Music volume", 6, 0, 0.012f, menu->options},
      {menu->credits, "CREDITS", 0, 7, 0.012f, menu->root.get()},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.title);
    EXPECT_EQ(row.page->title, row.title);
    EXPECT_EQ(row.page->itemCount(), row.items);
    EXPECT_EQ(row.page->itemX.size(), static_cast<size_t>(row.items));
    EXPECT_EQ(row.page->subPages.size(), static_cast<size_t>(row.items));
    EXPECT_EQ(row.page->lineTexts.size(), row.lines);
    EXPECT_EQ(row.page->lineY.size(), row.lines);
    EXPECT_FLOAT_EQ(row.page->scale, row.scale);
    EXPECT_EQ(row.page->parent, row.parent);
  }
  const char* const roles[] = {"- game design: ", "- programming: ", "- visual art: ",
                               "- audio art: ", "- level design: "};
  EXPECT_EQ(menu->credits->lineTexts[0], "BRIARDEN GAMES");
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(roles[i]);
    EXPECT_EQ(menu->credits->lineTexts[1 + i].rfind(roles[i], 0), 0u);
    EXPECT_GT(menu->credits->lineTexts[1 + i].size(), std::string(roles[i]).size());
    EXPECT_FLOAT_EQ(menu->credits->lineX[1 + i], -800);
    EXPECT_FLOAT_EQ(menu->credits->lineY[1 + i], 120 - 60.0f * i);
  }
  EXPECT_EQ(menu->root->itemTexts, (std::vector<std::string>{"start", "options", "about", "quit"}));
}

// The sector font is shared: the pages set 60, the pause and end screens made
// after them set 50, and 50 is what every screen draws with.
TEST(MenuFontTest, TheScreensMadeAfterTheMenuLeaveTheSharedFontAt50) {
  const char* path = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
  if (!fs::exists(path)) GTEST_SKIP() << "no TrueType font installed";
  FakeHost host;
  Kettar::createFont(host.font, path, Kettar::kFontTexture, 12);
  ASSERT_NE(host.font.font, nullptr);
  Menu menu(&host);
  EXPECT_EQ(host.font.font->FaceSize(), 60u);
  PauseState pause(&host);
  End end(&host);
  EXPECT_EQ(host.font.font->FaceSize(), 50u);
  EXPECT_EQ(menu.root->font, &host.font);
}

}  // namespace
