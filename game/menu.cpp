#include "game/menu.h"

#include <GL/glew.h>
#include <SDL_keysym.h>

#include <cmath>
#include <iterator>
#include <string>

#include "game/angles.h"
#include "game/screen_host.h"
#include "game/version.h"
#include "kettar/camera.h"
#include "kettar/engine.h"
#include "kettar/mixer.h"
#include "kettar/platform/program_directory.h"
#include "kettar/platform/texture_extension.h"
#include "kettar/texture_manager.h"
#include "kettar/viewport.h"

MenuPage* Menu::lastPageShown = nullptr;

namespace {

struct LevelItem {
  const char* text;
  const char* file;  // relative to data/levels/
};

const LevelItem kTutorial[] = {
    {"Move", "tutorial/01-move.orl"},
    {"Jump", "tutorial/02-jump.orl"},
    {"Jump or Die", "tutorial/03-jump-or-die.orl"},
    {"Shoot", "tutorial/04-shoot.orl"},
    {"Aim Better", "tutorial/05-aim-better.orl"},
    {"Move the Box", "tutorial/06-move-the-box.orl"},
    {"Swing", "tutorial/07-swing.orl"},
    {"Shoot-Release", "tutorial/08-shoot-release.orl"},
    {"Vazars", "tutorial/09-vazars.orl"},
    {"Training room", "tutorial/10-training-room.orl"},
};

const LevelItem kFirstChapter[] = {
    {"Secret Exit", "chap-01/01-secret-exit.orl"},
    {"Diagonal Climb", "chap-01/02-diagonal-climb.orl"},
    {"Vertical Climb", "chap-01/03-vertical-climb.orl"},
    {"Platforms", "chap-01/04-platforms.orl"},
    {"V Room", "chap-01/05-v-room.orl"},
    {"Dangerous Fall", "chap-01/06-dangerous-fall.orl"},
    {"Ghost City", "chap-01/07-ghost-city.orl"},
    {"To the Moon and Back", "chap-01/08-to-the-moon-and-back.orl"},
    {"It Shoots at You", "chap-01/09-it-shoots-at-you.orl"},
    {"To the Inner Planet", "chap-01/10-to-the-inner-planet.orl"},
};

const LevelItem kSecondChapter[] = {
    {"Moss Tower", "chap-02/01-moss-tower.orl"},
    {"Blob Hell", "chap-02/02-blob-hell.orl"},
    {"Bowels", "chap-02/03-bowels.orl"},
    {"Icy Ascent", "chap-02/04-icy-ascent.orl"},
    {"The City", "chap-02/05-the-city.orl"},
    {"Spiral of Sorrow", "chap-02/06-spiral-of-sorrow.orl"},
};

struct LevelTable {
  const LevelItem* items;
  int32_t count;
};

const LevelTable kLevelTables[3] = {
    {kTutorial, static_cast<int32_t>(std::size(kTutorial))},
    {kFirstChapter, static_cast<int32_t>(std::size(kFirstChapter))},
    {kSecondChapter, static_cast<int32_t>(std::size(kSecondChapter))},
};

struct Resolution {
  const char* text;
  int32_t width;
  int32_t height;
};

const Resolution kResolutions[] = {
    {"1920 x 1080 - 16/9", 1920, 1080}, {"1600 x 900 - 16/9", 1600, 900},
    {"1366 x 768 - 16/9", 1366, 768},   {"1280 x 720 - 16/9", 1280, 720},
    {"1680 x 1050 - 16/10", 1680, 1050}, {"1440 x 900 - 16/10", 1440, 900},
    {"1280 x 800 - 16/10", 1280, 800},  {"1280 x 1024 - 5/4", 1280, 1024},
    {"1280 x 960 - 4/3", 1280, 960},    {"1024 x 768 - 4/3", 1024, 768},
};
constexpr int32_t kResolutionCount = static_cast<int32_t>(std::size(kResolutions));

struct ValueItem {
  const char* text;
  int32_t value;
  float y;
};

// Items stand at x -200 on these pages.
const ValueItem kYesNo[] = {{"yes, please", 1, 100}, {"no, thanks", 0, 40}};
const ValueItem kAntialias[] = {{"none", 0, 100}, {"2x", 2, 40}, {"4x", 4, -20}, {"8x", 8, -80}};
const ValueItem kVolumes[] = {{"0", 0, 200},   {"20", 20, 140}, {"40", 40, 80},
                              {"60", 60, 20},  {"80", 80, -40}, {"100", 100, -100}};

// The value of the item, or false for an index without one.
template <size_t N>
bool valueAt(const ValueItem (&items)[N], int32_t index, int32_t& value) {
  if (index < 0 || index >= static_cast<int32_t>(N)) return false;
  value = items[index].value;
  return true;
}

template <size_t N>
void addValues(MenuPage* page, const ValueItem (&items)[N]) {
  for (const ValueItem& item : items) page->addItem(item.text, nullptr, -200, item.y);
}

// The people and the address on the credits page.
const char* const kCreditLines[] = {
    "- game design: Tamsin Okereke, Jorrit Vaals",
    "- programming: Jorrit Vaals, Ines Marquardt",
    "- visual art: Odile Brennan",
    "- audio art: Kasimir Dunleavy",
    "- level design: Tamsin Okereke, Odile Brennan",
};
const char* const kWebAddress = "www.briarden-games.example/ombrel";

// The version in the menu's corner.
const std::string kVersionText = std::string("V.") + kGameVersion;

}  // namespace

Menu::Menu(ScreenHost* app_) : app(app_) {
  const std::string& dir = Kettar::executableDirectory;
  if (Kettar::textureManager != nullptr) {
    mainBackground =
        Kettar::textureManager->load(dir + "data/textures/mainMenu" KETTAR_TEXTURE_EXTENSION, 1);
    chapterBackground =
        Kettar::textureManager->load(dir + "data/textures/chapterMenu" KETTAR_TEXTURE_EXTENSION, 1);
  }
  background = mainBackground;
  if (Kettar::mixer != nullptr) {
    selectSound = Kettar::mixer->loadSound((dir + "data/audio/sounds/menu/select.wav").c_str());
    enterSound = Kettar::mixer->loadSound((dir + "data/audio/sounds/menu/enter.wav").c_str());
    backSound = Kettar::mixer->loadSound((dir + "data/audio/sounds/menu/back.wav").c_str());
  }
  buildTree();
  root->active = true;
}

Menu::~Menu() {
  // The record names a page of this tree (there is one menu): it must not outlive it.
  lastPageShown = nullptr;
}

void Menu::buildTree() {
  Kettar::Font* font = app->screenFont();
  auto page = [font](MenuPage* parent, float scale) {
    return std::make_unique<MenuPage>(font, parent, scale);
  };

  root = page(nullptr, 0.017f);
  MenuPage* top = root.get();

  chapters = top->addItem("start", page(top, 0.012f), -85, -100);
  chapters->setTitle("SELECT CHAPTER", -250, 360);
  const char* const chapterNames[3] = {"Tutorial", "First Chapter", "Second Chapter"};
  for (int c = 0; c < 3; ++c) {
    MenuPage* levels = chapters->addItem(chapterNames[c], page(chapters, 0.012f), -200,
                                         240 - 60.0f * c);
    levels->setTitle("SELECT LEVEL", -250, 360);
    for (int32_t i = 0; i < kLevelTables[c].count; ++i) {
      levels->addItem(kLevelTables[c].items[i].text, nullptr, -200, 240 - 60.0f * i);
    }
    levelPages[c] = levels;
  }

  options = top->addItem("options", page(top, 0.012f), -120, -140);
  options->setTitle("OPTIONS", -250, 360);
  resolutionPage = options->addItem("Resolution", page(options, 0.01f), -200, 240);
  resolutionPage->setTitle("SELECT RESOLUTION (restart game)", -400, 360);
  for (int32_t i = 0; i < kResolutionCount; ++i) {
    resolutionPage->addItem(kResolutions[i].text, nullptr, -250, 240 - 60.0f * i);
  }
  fullscreenPage = options->addItem("Fullscreen", page(options, 0.012f), -200, 180);
  fullscreenPage->setTitle("FULLSCREEN? (restart game)", -400, 200);
  addValues(fullscreenPage, kYesNo);
  vsyncPage = options->addItem("Vsync", page(options, 0.012f), -200, 120);
  vsyncPage->setTitle("VSYNC? (restart game, fullscreen only)", -600, 200);
  addValues(vsyncPage, kYesNo);
  antialiasPage = options->addItem("Antialiasing", page(options, 0.012f), -200, 60);
  antialiasPage->setTitle("Antialiasing (restart game)", -500, 200);
  addValues(antialiasPage, kAntialias);
  soundVolumePage = options->addItem("Sound volume", page(options, 0.012f), -200, 0);
  soundVolumePage->setTitle("Sound effects volume", -500, 300);
  addValues(soundVolumePage, kVolumes);
  musicVolumePage = options->addItem("Music volume", page(options, 0.012f), -200, -60);
  musicVolumePage->setTitle("Music volume", -500, 300);
  addValues(musicVolumePage, kVolumes);

  credits = top->addItem("about", page(top, 0.012f), -100, -180);
  credits->setTitle("CREDITS", -80, 300);
  credits->addLine("BRIARDEN GAMES", -280, 180);
  for (int i = 0; i < 5; ++i) credits->addLine(kCreditLines[i], -800, 120 - 60.0f * i);
  credits->addLine(kWebAddress, -400, -240);

  top->addItem("quit", nullptr, -75, -220);
}

void Menu::play(int32_t sound) const {
  if (Kettar::mixer != nullptr) Kettar::mixer->playSound(sound, false, 1, 1, 2, 1);
}

void Menu::quit() const { Kettar::engine->quit = true; }

void Menu::keyEvent(uint8_t* keys, int32_t key) {
  if (!isKeyPress(keys, key)) return;
  switch (key) {
    case SDLK_BACKSPACE:
    case SDLK_ESCAPE:
      if (setPage(root->back())) {
        play(backSound);
      } else {
        quit();
      }
      break;
    case SDLK_RETURN: {
      MenuPage* page = nullptr;
      const int32_t index = root->activate(page);
      onAction(page, index);
      play(enterSound);
      break;
    }
    case SDLK_UP:
      if (root->selectUp()) play(selectSound);
      break;
    case SDLK_DOWN:
      if (root->selectDown()) play(selectSound);
      break;
    case SDLK_RIGHT:
      root->selectRight();
      break;
    case SDLK_LEFT:
      root->selectLeft();
      break;
    default:
      break;
  }
}

bool Menu::setPage(MenuPage* page) {
  MenuPage* previous = lastPageShown;
  background = page == root.get() ? mainBackground : chapterBackground;
  lastPageShown = page;
  return page != previous && previous != nullptr;
}

void Menu::onAction(MenuPage* page, int32_t index) {
  if (page == nullptr) return;
  // Activate has already made the sub-page the active one.
  if (page->hasSubPage(index)) setPage(page->subPages[index].get());

  if (page == root.get()) {
    if (index == 3) quit();
    return;
  }
  for (int c = 0; c < 3; ++c) {
    if (page != levelPages[c]) continue;
    if (index >= 0 && index < kLevelTables[c].count) app->loadLevel(kLevelTables[c].items[index].file);
    return;
  }

  int32_t value = 0;
  if (page == resolutionPage) {
    if (index >= 0 && index < kResolutionCount) {
      app->setResolution(kResolutions[index].width, kResolutions[index].height);
    }
  } else if (page == fullscreenPage) {
    if (valueAt(kYesNo, index, value)) app->setFullscreen(value != 0);
  } else if (page == vsyncPage) {
    if (valueAt(kYesNo, index, value)) app->setVsync(value != 0);
  } else if (page == antialiasPage) {
    if (valueAt(kAntialias, index, value)) app->setAntialias(value);
  } else if (page == soundVolumePage) {
    if (valueAt(kVolumes, index, value) && Kettar::mixer != nullptr) Kettar::mixer->setSoundVolume(value);
  } else if (page == musicVolumePage) {
    if (valueAt(kVolumes, index, value) && Kettar::mixer != nullptr) Kettar::mixer->setMusicVolume(value);
  } else {
    return;
  }
  // A chosen value returns to OPTIONS; the last page shown and the background stay.
  play(enterSound);
  root->back();
}

void Menu::draw() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  Kettar::Camera* camera = app->camera();
  camera->apply();

  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  const float h =
      static_cast<float>(std::tan(Kettar::viewport.fieldOfView / kDegreesPerRadian * 0.5) *
                         (15.0 + camera->position.z));
  const float w = Kettar::viewport.aspect * h;
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(background));
  glBegin(GL_QUADS);
  glTexCoord2f(0, 1);
  glVertex3f(-w, -h, -15);
  glTexCoord2f(1, 1);
  glVertex3f(w, -h, -15);
  glTexCoord2f(1, 0);
  glVertex3f(w, h, -15);
  glTexCoord2f(0, 0);
  glVertex3f(-w, h, -15);
  glEnd();
  glDisable(GL_TEXTURE_2D);

  root->draw();

  glColor4f(1, 1, 1, 1);
  Kettar::engine->drawText(kVersionText, 10, 25);
}
