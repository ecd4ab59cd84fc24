#include "game/ombrel.h"

#include <FTGL/ftgl.h>
#include <GL/glew.h>
#include <SDL.h>
#include <SDL_mixer.h>

#include <cmath>
#include <cstdio>
#include <iostream>

#include "ferrox/contact_pair.h"
#include "ferrox/contact_record.h"
#include "ferrox/grid.h"
#include "ferrox/link.h"
#include "ferrox/skeleton.h"
#include "game/end.h"
#include "game/hero.h"
#include "game/level.h"
#include "game/menu.h"
#include "game/pause_state.h"
#include "kettar/engine.h"
#include "kettar/mixer.h"
#include "kettar/particle_system.h"
#include "kettar/platform/program_directory.h"
#include "kettar/sdl_engine.h"
#include "kettar/shader_manager.h"
#include "kettar/viewport.h"

namespace {

constexpr float kMaxCameraSpeed = 5.0f;
constexpr float kCameraRestDistance = 14.0f;
constexpr const char* kConfigFile = "ombrel.cfg";
constexpr const char* kTimeFontPath = "data/fonts/Digiface_Regular.ttf";
constexpr const char* kSectorFontPath = "data/fonts/sector.ttf";
constexpr const char* kMenuTrackPath = "data/audio/music/menu.ogg";

void setFaceSize(Kettar::Font& font, unsigned size) {
  if (font.font != nullptr) font.font->FaceSize(size, 72);
}

}  // namespace

float Ombrel::cameraSpeed = 0.0f;

std::string timeLine(double elapsed, float record) {
  char text[96];
  std::snprintf(text, sizeof text, "%.2f / %.2f", elapsed, static_cast<double>(record));
  return text;
}

float filteredCameraSpeed(float speed, Vec2 meanVelocity) {
  const double v = std::sqrt(static_cast<double>(meanVelocity.x) * meanVelocity.x +
                             static_cast<double>(meanVelocity.y) * meanVelocity.y);
  float next = static_cast<float>(v * 0.0025 + static_cast<double>(speed) * 0.9975);
  if (!std::isfinite(next)) return speed;
  if (next > kMaxCameraSpeed) next = kMaxCameraSpeed;
  return next;
}

Ombrel::Notifier::Notifier(Ombrel* app_, Hero* hero_) : app(app_), hero(hero_) {}

bool Ombrel::Notifier::onContact(ferrox::ContactPair* pair) {
  ferrox::Link* a = pair->first;
  ferrox::Link* b = pair->second;
  const ferrox::Skeleton* p = a->a->owner;
  const ferrox::Skeleton* q = b->a->owner;
  const ferrox::Skeleton* exit = Level::current != nullptr ? Level::current->exitBody : nullptr;
  const ferrox::Skeleton* h = hero->body();
  if (exit != nullptr && p == exit) {
    if (q == h) app->finishLevel();
    return false;
  }
  if (exit != nullptr && q == exit) {
    if (p == h) app->finishLevel();
    return false;
  }
  // The hero's own arm and rope never touch its body.
  const ferrox::Skeleton* arm = hero->armBody();
  const ferrox::Skeleton* rope = hero->grapple();
  auto own = [arm, rope](const ferrox::Skeleton* body) {
    return body == arm || (rope != nullptr && body == rope);
  };
  if ((p == h && own(q)) || (q == h && own(p))) return false;
  ferrox::recordContact(a, b);
  ferrox::recordContact(b, a);
  // Lasers see what they touch but never push or are pushed.
  const Level* level = Level::current;
  return level == nullptr || (!level->isLaserBody(p) && !level->isLaserBody(q));
}

Ombrel::Ombrel(const std::string& caption_)
    : Kettar::SDLKettarApp(caption_), dataRoot(Kettar::executableDirectory) {}

Ombrel::~Ombrel() {
  ferrox::notifier = nullptr;
}

void Ombrel::forceConfig() {
  appConfig.dualThread = false;
  appConfig.pps = 500;
  videoConfig.minWidth = 800;
  videoConfig.minHeight = 600;
  audioConfig.fade = true;
  audioConfig.cycle = false;
}

void Ombrel::loadConfigHook() { loadConfig(Kettar::executableDirectory + kConfigFile); }

std::unique_ptr<Kettar::Camera> Ombrel::makeCamera() {
  auto eye = std::make_unique<Kettar::Camera>();
  eye->init(Vec3(0.0f, 0.0f, 20.0f), Vec3(0.0f, 0.0f, 0.0f), Vec3(0.0f, 0.0f, 10.0f), 0.0f, 0.75f,
            0.5f);
  return eye;
}

void Ombrel::setupScene() {
  glClearColor(0.3f, 0.3f, 0.3f, 0.0f);
  glClearDepth(1.0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glEnable(GL_POLYGON_OFFSET_FILL);
  glShadeModel(GL_SMOOTH);
  glCullFace(GL_BACK);

  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, 0.01f);
  glEnable(GL_POINT_SMOOTH);
  glEnable(GL_LINE_SMOOTH);
  glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
  glLineWidth(2.0f);

  const GLfloat planeS[4] = {0.2f, 0.0f, 0.0f, 0.0f};
  const GLfloat planeT[4] = {0.0f, 0.2f, 0.0f, 0.0f};
  glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
  glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
  glTexGenfv(GL_S, GL_OBJECT_PLANE, planeS);
  glTexGenfv(GL_T, GL_OBJECT_PLANE, planeT);

  Kettar::viewport.fieldOfView = 45.0f;
  Kettar::viewport.nearClip = 0.01f;
  Kettar::viewport.farClip = 200.0f;
  Kettar::viewport.resize(Kettar::viewport.width, Kettar::viewport.height);

  sceneCamera = makeCamera();
  Kettar::buildPointShader();
}

bool Ombrel::init() {
  setupScene();
  Kettar::engine->createFont(timeFont, dataRoot + kTimeFontPath, Kettar::kFontTexture, 12);
  setFaceSize(timeFont, 35);
  Kettar::engine->createFont(sectorFont, dataRoot + kSectorFontPath, Kettar::kFontTexture, 12);
  setFaceSize(sectorFont, 60);
  if (videoConfig.fullScreen) showCursor(true);

  if (Kettar::currentMixer != nullptr) {
    menuTrack = Kettar::currentMixer->loadMusic((dataRoot + kMenuTrackPath).c_str());
    for (int i = 0; i < 6; ++i) {
      const std::string path = dataRoot + "data/audio/music/song-0" + std::to_string(i + 1) + ".ogg";
      songs[i] = Kettar::currentMixer->loadMusic(path.c_str());
    }
  }
  selectMusic(menuTrack);

  menu = std::make_unique<Menu>(this);
  pauseScreen = std::make_unique<PauseState>(this);
  endScreen = std::make_unique<End>(this);
  leaveLevel();
  return true;
}

void Ombrel::shutdown() {
  sceneCamera.reset();
  timeFont.release();
  sectorFont.release();
  menu.reset();
  pauseScreen.reset();
  endScreen.reset();
  saveConfig(Kettar::executableDirectory + kConfigFile);
}

void Ombrel::show(Screen s) {
  screen = s;
  if (Kettar::engine == nullptr) return;
  Kettar::CallbackInterface* next = nullptr;
  switch (s) {
    case Screen::kMenu: next = menu.get(); break;
    case Screen::kPlay: next = this; break;
    case Screen::kPause: next = pauseScreen.get(); break;
    case Screen::kEnd: next = endScreen.get(); break;
  }
  if (next != nullptr) Kettar::engine->current = next;
}

void Ombrel::stopSounds() {
  if (Kettar::currentMixer == nullptr || !Kettar::currentMixer->active()) return;
  // A halt does not call the music-finished hook: no event follows it.
  Mix_HaltChannel(-1);
  Mix_HaltMusic();
}

void Ombrel::selectMusic(int32_t track) {
  if (Kettar::currentMixer != nullptr) Kettar::currentMixer->selectMusic(track);
}

void Ombrel::loadLevel(const std::string& fileName) {
  const std::string path = dataRoot + "data/levels/" + fileName;
  hero = Level::load(path, true, dataRoot) ? Hero::create(Level::current->start, dataRoot) : nullptr;
  if (hero == nullptr) {
    // The menu loads with no level current. What a failed load leaves goes and
    // the menu stays: a level without a playable hero, the world of a level
    // the memory could not hold.
    delete Level::current;
    Level::current = nullptr;
    ferrox::destroyWorld();
    std::cout << "!![Ombrel] cannot find level file" << std::endl;
    return;
  }
  std::cout << "[Ombrel] level loaded" << std::endl;
  Level::current->setTarget(hero.get());
  notifier = std::make_unique<Notifier>(this, hero.get());
  ferrox::notifier = notifier.get();
  if (sceneCamera != nullptr) {
    sceneCamera->snap();
    sceneCamera->followed = &hero->position();
  }
  levelClock = std::make_unique<Kettar::Stopwatch>();
  keptTime_ = 0.0f;
  deathClock.reset();
  show(Screen::kPlay);
  stopSounds();
  currentSong = Kettar::randomInt(0, 6, 1);
  selectMusic(songs[currentSong]);
}

void Ombrel::leaveLevel() {
  hero.reset();
  delete Level::current;
  Level::current = nullptr;
  ferrox::destroyWorld();
  ferrox::notifier = nullptr;
  notifier.reset();
  levelClock.reset();
  // A pending death timer must not act on a level that is gone.
  deathClock.reset();
  if (sceneCamera != nullptr) {
    sceneCamera->followed = nullptr;
    sceneCamera->snap();
    sceneCamera->targetPosition = Vec3(0.0f, 0.0f, 20.0f);
    sceneCamera->lookAt(Vec3(0.0f, 0.0f, -1.0f));
  }
  show(Screen::kMenu);
  stopSounds();
  selectMusic(menuTrack);
}

void Ombrel::finishLevel() {
  if (levelClock == nullptr) return;
  levelClock->pause();
  keptTime_ = static_cast<float>(levelClock->elapsed());
  show(Screen::kEnd);
}

void Ombrel::onDeathTimer() {
  if (levelClock != nullptr) levelClock->pause();
  show(Screen::kEnd);
}

void Ombrel::checkDeathTimer() {
  if (deathClock == nullptr || screen != Screen::kPlay) return;
  if (deathClock->elapsed() < kDeathDelay) return;
  deathClock.reset();
  onDeathTimer();
}

void Ombrel::resumeLevel() {
  if (levelClock != nullptr) levelClock->resume();
  show(Screen::kPlay);
}

void Ombrel::step(uint8_t* keys, Kettar::MouseState* mouse, float dt) {
  (void)mouse;
  checkDeathTimer();
  if (hero == nullptr || screen != Screen::kPlay) return;

  cameraSpeed = filteredCameraSpeed(cameraSpeed, hero->body()->meanVelocity());
  if (sceneCamera != nullptr) {
    const Vec3 zero;
    if (!(sceneCamera->offset == zero)) sceneCamera->offset.setLength(cameraSpeed + kCameraRestDistance);
    sceneCamera->update(dt);
  }
  hero->holdKeys(keys, dt);
  ferrox::clearContacts();
  hero->preStep();
  Level::leaveGrid(Level::current);
  if (Level::current != nullptr) Level::current->update(dt);
  if (!hero->step(dt)) deathClock = std::make_unique<Kettar::Stopwatch>();
  ferrox::resolveContacts();
}

void Ombrel::draw() {
  if (hero == nullptr || Level::current == nullptr) return;
  checkDeathTimer();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  if (sceneCamera != nullptr) sceneCamera->apply();
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_TEXTURE_2D);
  hero->draw();
  Level::current->draw();
  Kettar::drawParticles();
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);

  glColor4ub(105, 223, 184, 200);
  if (Kettar::engine != nullptr) {
    Kettar::engine->drawText(timeLine(levelTime(), record()), 10, 25, &timeFont);
    if (overlay) {
      glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
      Kettar::engine->drawStats();
    }
  }

  if (particleClock == nullptr) particleClock = std::make_unique<Kettar::Stopwatch>();
  Kettar::updateParticles(static_cast<float>(particleClock->elapsed()));
  particleClock->restart();
}

void Ombrel::keyEvent(uint8_t* keys, int32_t key) {
  if (!isKeyPress(keys, key)) return;
  const bool alive = hero != nullptr && hero->health() > 0.0f;
  switch (key) {
    case kTab:
      overlay = !overlay;
      break;
    case kEscape:
      if (alive) {
        levelClock->pause();
        show(Screen::kPause);
      }
      break;
    case kKeyT:
      toggleFullscreen();
      showCursor(videoConfig.fullScreen);
      break;
    case kKeyZ:
      if (alive) hero->jump();
      break;
    case kKeyX:
      if (alive) hero->shoot();
      break;
    default:
      break;
  }
}

void Ombrel::onUserEvent() {
  // A track that a level change replaced may still have sent its event: an
  // event while music plays moves nothing.
  if (Kettar::currentMixer != nullptr && Kettar::currentMixer->active() && Mix_PlayingMusic() == 1)
    return;
  if (hero != nullptr) {
    currentSong = currentSong == 5 ? 0 : currentSong + 1;
    selectMusic(songs[currentSong]);
  } else {
    selectMusic(menuTrack);
  }
}

void Ombrel::setResolution(int32_t width, int32_t height) {
  videoConfig.width = width;
  videoConfig.height = height;
}

void Ombrel::setFullscreen(bool on) {
  const auto* sdlEngine = static_cast<const Kettar::SDLEngine*>(Kettar::engine);
  const bool windowFull = sdlEngine != nullptr && sdlEngine->surface != nullptr &&
                          (sdlEngine->surface->flags & SDL_FULLSCREEN) != 0;
  if (windowFull != on) {
    // The toggle goes from the state it is told the window is in.
    videoConfig.fullScreen = windowFull;
    toggleFullscreen();
  }
  videoConfig.fullScreen = on;
  showCursor(on);
}

void Ombrel::setVsync(bool on) { videoConfig.vsync = on; }

void Ombrel::setAntialias(int32_t samples) { videoConfig.antialias = samples; }

float Ombrel::heroHealth() const { return hero != nullptr ? hero->health() : 0.0f; }

float Ombrel::record() const { return Level::bestTime(); }

bool Ombrel::storeRecord(float time) {
  const float before = Level::bestTime();
  Level::setBestTime(time);
  if (Level::writeBestTime(Level::current)) return true;
  // The file keeps the old time; so does the game.
  Level::setBestTime(before);
  return false;
}

double Ombrel::levelTime() const { return levelClock != nullptr ? levelClock->elapsed() : 0.0; }
