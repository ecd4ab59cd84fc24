// The framework shown working on its own: a window with a few turning shapes, a line of
// text and the rate overlay. Esc quits; every other key press is logged. The settings
// are read from demo.cfg beside the program and written back at exit.

#include <GL/glew.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "kettar/camera.h"
#include "kettar/engine.h"
#include "kettar/sdl_kettar_app.h"
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
    std::cout << "[Demo] key " << key << " down" << std::endl;
  }

 private:
  Kettar::Camera camera_;
  float angle_ = 0.0f;  // degrees the shapes have turned
};

}  // namespace

int main() {
  Demo demo;
  return demo.run();
}
