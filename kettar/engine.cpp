#include "kettar/engine.h"

#include <GL/glew.h>

#include <cstdlib>
#include <iostream>

#include "kettar/clock_source.h"
#include "kettar/platform/program_directory.h"
#include "kettar/stopwatch.h"
#include "kettar/timer_table.h"
#include "kettar/viewport.h"

namespace Kettar {

Engine* engine = nullptr;

Engine::Engine(CallbackInterface* callback, AppConfig* appConfig_, VideoConfig* videoConfig_)
    : current(callback),
      fps(static_cast<float>(appConfig_->fps)),
      pps(static_cast<float>(appConfig_->pps)),
      mouseFactor(static_cast<float>(appConfig_->mouseSpeed * 50.0 * 0.01 * 0.0025)),
      appConfig(appConfig_),
      videoConfig(videoConfig_) {
  mouse.flagA = 0;
  mouse.flagB = 1;
  createFont(font, executableDirectory + "data/fonts/DejaVuSans.ttf", kFontTexture, 12);
}

Engine::~Engine() {
  // The rate timer reads this engine: it must be stopped before the engine goes.
  timerTable.remove(statsTimer);
  statsTimer = -1;
  std::cout << "[Engine] shutting down Engine..." << std::endl;
  font.release();
}

void Engine::initPeriods() {
  framePeriod = static_cast<float>(1.0 / appConfig->fps);
  physicsPeriod = static_cast<float>(1.0 / appConfig->pps);
  pending = framePeriod / physicsPeriod;
}

bool Engine::init() {
  startTiming();
  std::srand(static_cast<unsigned>(realtimeNanoseconds()));
  initPeriods();
  if (!initVideo()) return false;

  const GLenum glew = glewInit();
  if (glew != GLEW_OK) {
    std::cout << "!![Engine] fatal error: could not initialize GLEW: "
              << reinterpret_cast<const char*>(glewGetErrorString(glew)) << std::endl;
    return false;
  }

  anisotropy = 1.0f;
  if (videoConfig->anisotropic && GLEW_EXT_texture_filter_anisotropic) {
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &anisotropy);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, anisotropy);
  }

  statsTimer = timerTable.add(1000, &Engine::onStatsTimer, this);
  clearKeys();
  printReport();
  return true;
}

void Engine::clearKeys() {
  for (uint8_t& key : keys) key = 0;
}

namespace {

const char* onOff(bool on) { return on ? "ON" : "OFF"; }

GLint glInteger(GLenum name) {
  GLint value = 0;
  glGetIntegerv(name, &value);
  return value;
}

// The highest version GLEW reports, from 4.0 down; "1.0" when none.
const char* highestGlVersion() {
  if (GLEW_VERSION_4_0) return "4.0";
  if (GLEW_VERSION_3_3) return "3.3";
  if (GLEW_VERSION_3_2) return "3.2";
  if (GLEW_VERSION_3_1) return "3.1";
  if (GLEW_VERSION_3_0) return "3.0";
  if (GLEW_VERSION_2_1) return "2.1";
  if (GLEW_VERSION_2_0) return "2.0";
  if (GLEW_VERSION_1_5) return "1.5";
  if (GLEW_VERSION_1_4) return "1.4";
  if (GLEW_VERSION_1_3) return "1.3";
  if (GLEW_VERSION_1_2) return "1.2";
  return "1.0";
}

}  // namespace

void Engine::printReport() {
  std::ostream& log = std::cout;
  log << std::boolalpha;
  log << "[Engine] timer resolution (nanoseconds): " << clockResolution() << "\n";
  log << "[Engine] dualThread: " << appConfig->dualThread << "\n";
  log << "[Engine] turbo: " << appConfig->turbo << "\n";
  log << "[Engine] fps: " << appConfig->fps << "\n";
  log << "[Engine] pps: " << appConfig->pps << "\n";
  log << "[Engine] mouseSpeed: " << appConfig->mouseSpeed << "\n";
  log << "[Engine] logTo: " << appConfig->logTo << "\n";
  log << "[Engine] resizable: " << videoConfig->resizable << "\n";
  log << "[Engine] stretch: " << videoConfig->stretchOnResize << "\n";
  log << "[Engine] vsync: " << videoConfig->vsync << "\n";
  log << "[Engine] screen: " << videoConfig->width << "x" << videoConfig->height << "\n";
  log << "[Engine] min allowed video size: " << videoConfig->minWidth << "x" << videoConfig->minHeight
      << "\n";
  log << "[Engine] fullscreen: " << videoConfig->fullScreen << "\n";
  samples = glInteger(GL_SAMPLES);
  log << "[OpenGL] antialias: " << samples << "\n";
  log << "[OpenGL] multisamples buffer: " << onOff(glInteger(GL_SAMPLE_BUFFERS) == 1) << "\n";
  log << "[OpenGL] anisotropic: " << anisotropy << "\n";
  stencilBits = glInteger(GL_STENCIL_BITS);
  log << "[OpenGL] stencil buffer bits: " << stencilBits << "\n";
  glVersion = highestGlVersion();
  log << "[OpenGL] version " << glVersion << " available\n";
  GLboolean doubleBuffer = GL_FALSE;
  glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffer);
  log << "[OpenGL] double buffer: " << onOff(doubleBuffer == GL_TRUE) << "\n";
  log << "[OpenGL] depth buffer size: " << glInteger(GL_DEPTH_BITS) << "\n";
  if (GLEW_ARB_texture_non_power_of_two) {
    log << "[OpenGL] textures non power of two are fully supported\n";
  } else {
    log << "[OpenGL] WARNING: Textures non power of two are NOT fully supported!\n";
  }
  log << "[OpenGL] accumulation RGBA: " << glInteger(GL_ACCUM_RED_BITS) << glInteger(GL_ACCUM_GREEN_BITS)
      << glInteger(GL_ACCUM_BLUE_BITS) << glInteger(GL_ACCUM_ALPHA_BITS) << "\n";
  log << "[OpenGL] max texture size: " << glInteger(GL_MAX_TEXTURE_SIZE) << "\n";
  log << "[OpenGL] max texture units: " << glInteger(GL_MAX_TEXTURE_UNITS) << std::endl;
}

void Engine::physicsStep() {
  current->step(keys, &mouse, physicsPeriod);
  mouse.dy = 0.0f;
  mouse.dx = 0.0f;
  stepCount.fetch_add(1);
}

float Engine::drawFrame(Stopwatch& frame) {
  frame.restart();
  current->draw();
  swapBuffers();
  frameCount.fetch_add(1);
  // A draw of 0.1 s or more forgets what is owed and still waits out a full frame.
  const float t = static_cast<float>(frame.elapsed());
  if (t >= 0.1) {
    pending = 0.0f;
    return 0.0f;
  }
  return t;
}

void Engine::sleepPumping(float remaining) {
  Stopwatch slice;
  while (remaining >= 0.01) {
    slice.restart();
    sleepSeconds(0.01);
    pumpEvents();
    remaining -= static_cast<float>(slice.elapsed());
  }
  if (remaining > 0.001) sleepSeconds(remaining);
}

float Engine::stepsInFrame(float remaining) {
  Stopwatch slice;
  while (remaining >= physicsPeriod && pending >= 1.0f) {
    slice.restart();
    physicsStep();
    pending -= 1.0f;
    remaining -= static_cast<float>(slice.elapsed());
  }
  return remaining;
}

int Engine::singleThreadLoop(bool spin) {
  Stopwatch frame;
  do {
    const float t = drawFrame(frame);
    if (t < framePeriod) {
      const float remaining = stepsInFrame(framePeriod - t);
      if (spin) {
        while (static_cast<float>(frame.elapsed()) < framePeriod) pumpEvents();
      } else {
        sleepPumping(remaining);
      }
    }
    // Steps still owed run now, whatever the time.
    while (pending >= 1.0f) {
      physicsStep();
      pending -= 1.0f;
    }

    const float frameTime = static_cast<float>(frame.elapsed());
    if (frameTime >= 0.1) {
      pending = 0.0f;
    } else {
      pending += frameTime / physicsPeriod;
    }
    if (pause) pending = 0.0f;
    pumpEvents();
  } while (!quit);
  return 1;
}

int Engine::pacedLoop() { return singleThreadLoop(false); }

int Engine::turboLoop() { return singleThreadLoop(true); }

int Engine::renderLoop() {
  Stopwatch frame;
  do {
    const float t = drawFrame(frame);
    if (t < framePeriod) sleepPumping(framePeriod - t);
    pumpEvents();
  } while (!quit);
  return 1;
}

int Engine::physicsLoop() {
  Stopwatch watch;
  if (appConfig->turbo) {
    while (!quit) {
      if (pause) {
        sleepSeconds(0.1);
        continue;
      }
      watch.restart();
      physicsStep();
      while (static_cast<float>(watch.elapsed()) < physicsPeriod) {
      }
    }
    return 0;
  }
  while (!quit) {
    const float e = static_cast<float>(watch.elapsed());
    if (physicsPeriod > e) sleepSeconds(physicsPeriod - e);
    watch.restart();
    if (pause) continue;
    physicsStep();
  }
  return 0;
}

uint32_t Engine::onStatsTimer(uint32_t interval, void* self) {
  Engine* e = static_cast<Engine*>(self);
  const float ms = static_cast<float>(interval);
  e->fps = static_cast<float>(e->frameCount.exchange(0)) / ms * 1000.0f;
  e->pps = static_cast<float>(e->stepCount.exchange(0)) / ms * 1000.0f;
  return interval;
}

void Engine::createFont(Font& record, const std::string& path, int kind, unsigned size) {
  Kettar::createFont(record, path, kind, size);
}

void Engine::drawText(const std::string& text, int x, int y, const Font* record) {
  renderText(text, x, y, record != nullptr ? record->font : font.font);
}

void Engine::drawStats() { renderText(statsText(fps, pps), 10, videoConfig->height - 20, font.font); }

}  // namespace Kettar
