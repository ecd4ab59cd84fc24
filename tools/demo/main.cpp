// The framework shown working on its own: a window with a few turning shapes, a line of
// text and the rate overlay. Esc quits, F switches fullscreen; every other key press
// is logged, and so are mouse buttons. The settings are read from demo.cfg beside the
// program and written back at exit.
//
// With media in data/ beside it, it also shows the texture manager (an own texture file
// and a PNG), the mixer (a sound placed to the right, two music tracks one after the
// other) and particle bursts (one every three seconds, and one on P).

#include <GL/glew.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "kettar/camera.h"
#include "kettar/engine.h"
#include "kettar/mixer.h"
#include "kettar/particle_system.h"
#include "kettar/sdl_kettar_app.h"
#include "kettar/texture_manager.h"
#include "kettar/viewport.h"

namespace {

class Demo : public Kettar::SDLKettarApp {
 public:
  Demo() : SDLKettarApp("Kettar demo") {}

  std::string configPath() const { return Kettar::executableDirectory + "demo.cfg"; }

  void loadConfigHook() override { loadConfig(configPath()); }

  bool init() override {
    // A failing start, so that the program's answer to it can be seen.
    const char* failing = std::getenv("KETTAR_DEMO_INIT");
    if (failing != nullptr && std::strcmp(failing, "fail") == 0) {
      std::cout << "!![Demo] init refused" << std::endl;
      return false;
    }
    glClearColor(0.08f, 0.1f, 0.16f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    camera_.init(Vec3(0, 0, 20), Vec3(0, 0, 0), Vec3(0, 0, 10), 0.0f, 0.75f, 0.5f);
    loadMedia();
    std::cout << "[Demo] ready" << std::endl;
    return true;
  }

  void shutdown() override {
    saveConfig(configPath());
    std::cout << "[Demo] settings saved" << std::endl;
  }

  void step(uint8_t*, Kettar::MouseState*, float dt) override {
    camera_.update(dt);
    angle_ += 45.0f * dt;
    particleTime_ += dt;
    sinceBurst_ += dt;
    if (sinceBurst_ >= 3.0f) spawnBurst();
  }

  // As the game does: when a track has ended the next one starts at once.
  void onUserEvent() override {
    std::cout << "[Demo] track finished" << std::endl;
    Kettar::currentMixer->nextMusic();
  }

  void draw() override {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    camera_.apply();

    glPushMatrix();
    glTranslatef(-5.0f, 0.0f, 0.0f);
    glRotatef(angle_, 0.0f, 0.0f, 1.0f);
    glBegin(GL_TRIANGLES);
    glColor3f(1.0f, 0.2f, 0.2f);
    glVertex3f(0.0f, 3.0f, 0.0f);
    glColor3f(0.2f, 1.0f, 0.2f);
    glVertex3f(-2.6f, -1.5f, 0.0f);
    glColor3f(0.2f, 0.4f, 1.0f);
    glVertex3f(2.6f, -1.5f, 0.0f);
    glEnd();
    glPopMatrix();

    glPushMatrix();
    glTranslatef(5.0f, 0.0f, 0.0f);
    glRotatef(-angle_, 0.0f, 0.0f, 1.0f);
    glColor3f(1.0f, 0.8f, 0.1f);
    glBegin(GL_QUADS);
    glVertex3f(-2.0f, -2.0f, 0.0f);
    glVertex3f(2.0f, -2.0f, 0.0f);
    glVertex3f(2.0f, 2.0f, 0.0f);
    glVertex3f(-2.0f, 2.0f, 0.0f);
    glEnd();
    glPopMatrix();

    drawTexture(ktrTexture_, 0.0f, 4.5f);
    drawTexture(pngTexture_, 0.0f, -4.5f);
    drawParticles();

    glColor3f(1.0f, 1.0f, 1.0f);
    Kettar::engine->drawText("Kettar demo - Esc quits", 10, 10);
    Kettar::engine->drawStats();
  }

  void keyEvent(uint8_t* keys, int32_t key) override {
    if (keys[key] == 0) return;
    if (key == SDLK_ESCAPE) {
      std::cout << "[Demo] Esc: quitting" << std::endl;
      Kettar::engine->quit = true;
      return;
    }
    if (key == SDLK_f) {
      toggleFullscreen();
      showCursor(videoConfig.fullScreen);
      std::cout << "[Demo] fullscreen: " << (videoConfig.fullScreen ? "true" : "false") << std::endl;
      return;
    }
    std::cout << "[Demo] key " << key << " down" << std::endl;
    if (key == SDLK_p) spawnBurst();
  }

  // Buttons and the wheel; motion comes too often to log.
  void mouseEvent(Kettar::MouseState* mouse) override {
    if (mouse->kind == Kettar::kMouseMotion) return;
    std::cout << "[Demo] mouse kind " << mouse->kind << " left " << static_cast<int>(mouse->left)
              << " right " << static_cast<int>(mouse->right) << " wheel " << mouse->wheel << std::endl;
  }

 private:
  void loadMedia() {
    const std::string data = Kettar::executableDirectory + "data/";
    ktrTexture_ = Kettar::textureManager->load(data + "textures/demo.ktr", 0);
    pngTexture_ = Kettar::textureManager->load(data + "textures/demo.png", 0);
    const int32_t sound = Kettar::mixer->loadSound((data + "audio/sounds/demo.wav").c_str());
    for (const char* track : {"demo-01.ogg", "demo-02.ogg"})
      Kettar::mixer->loadMusic((data + "audio/music/" + track).c_str());
    Kettar::mixer->selectMusic(0);
    // Halfway between near and far, to the right.
    const int32_t channel = Kettar::mixer->playSound(sound, false, 1.5f, 1.0f, 2.0f, 90.0f);
    if (channel >= 0) std::cout << "[Demo] sound playing on channel " << channel << std::endl;
    spawnBurst();
  }

  void spawnBurst() {
    Kettar::ParticleParams p;
    p.spread = Vec3(0.5f, 0.5f, 0.0f);
    p.velocityMin = Vec3(-3.0f, -3.0f, 0.0f);
    p.velocityMax = Vec3(3.0f, 3.0f, 0.0f);
    p.speedLimit = 3.0f;
    p.colourMin = Vec4(1.0f, 0.3f, 0.0f, 1.0f);
    p.colourMax = Vec4(1.0f, 0.7f, 0.1f, 1.0f);
    p.endColour = Vec4(0.6f, 0.0f, 0.0f, 0.0f);
    p.lifetime = 2.5f;
    p.duration = 3.0f;
    Kettar::spawnParticles(60, 200.0f, Vec3(0.0f, 0.0f, 1.0f), Vec3(), Vec3(0.0f, -1.0f, 0.0f), 1.0f, p);
    sinceBurst_ = 0.0f;
  }

  void drawParticles() {
    Kettar::updateParticles(particleTime_);
    particleTime_ = 0.0f;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    Kettar::drawParticles();
    glDisable(GL_BLEND);
  }

  // A 3 x 3 square centred at (x, y); nothing for a texture that did not load.
  static void drawTexture(int32_t id, float x, float y) {
    if (id < 0) return;
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(id));
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(x - 1.5f, y - 1.5f, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(x + 1.5f, y - 1.5f, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(x + 1.5f, y + 1.5f, 0.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(x - 1.5f, y + 1.5f, 0.0f);
    glEnd();
    glDisable(GL_TEXTURE_2D);
  }

  Kettar::Camera camera_;
  float angle_ = 0.0f;        // degrees the shapes have turned
  int32_t ktrTexture_ = -1;   // -1 when data/textures/demo.ktr did not load
  int32_t pngTexture_ = -1;   // -1 when data/textures/demo.png did not load
  float particleTime_ = 0.0f;  // step time not yet given to the particles
  float sinceBurst_ = 0.0f;    // seconds since the last burst
};

}  // namespace

int main() {
  Demo demo;
  return demo.run();
}
