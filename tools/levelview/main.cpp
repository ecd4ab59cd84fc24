// levelview <level.orl> <frame.bmp> [x y distance]: loads the level, draws one
// frame with the game's scene set-up, looking at the start point (or at x, y)
// from the distance (default 30), and saves the frame as a BMP image.
// Exit code 0 when the frame was written, 1 for wrong arguments, 2 when the
// window cannot open, 3 when the level does not load, 4 when saving fails.

#include <GL/glew.h>
#include <GL/glu.h>
#include <SDL/SDL.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <vector>

#include "ferrox/grid.h"
#include "game/level.h"
#include "kettar/texture_manager.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

void setUpScene(Vec2 at, float distance) {
  glClearColor(0.3f, 0.3f, 0.3f, 0.0f);
  glClearDepth(1.0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glEnable(GL_POLYGON_OFFSET_FILL);
  glShadeModel(GL_SMOOTH);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, 0.01f);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_TEXTURE_2D);
  glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
  glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
  glViewport(0, 0, kWidth, kHeight);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, double(kWidth) / kHeight, 0.01, 200.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(at.x, at.y, distance, at.x, at.y, 0.0, 0.0, 1.0, 0.0);
  glColor4f(1, 1, 1, 1);
}

bool saveFrame(const char* path) {
  std::vector<uint8_t> rgb(kWidth * kHeight * 3), flipped(rgb.size());
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  // GL rows run bottom-up, image rows top-down.
  for (int y = 0; y < kHeight; ++y)
    std::copy_n(&rgb[size_t(kHeight - 1 - y) * kWidth * 3], kWidth * 3, &flipped[size_t(y) * kWidth * 3]);
  SDL_Surface* s = SDL_CreateRGBSurfaceFrom(flipped.data(), kWidth, kHeight, 24, kWidth * 3, 0x0000FF,
                                            0x00FF00, 0xFF0000, 0);
  const bool ok = s && SDL_SaveBMP(s, path) == 0;
  SDL_FreeSurface(s);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 6) {
    std::cerr << "usage: levelview <level.orl> <frame.bmp> [x y distance]" << std::endl;
    return 1;
  }
  // A busy X server now and then refuses a connection: try again briefly,
  // and never fall back to a text-mode video driver without OpenGL.
  setenv("SDL_VIDEODRIVER", "x11", 0);
  int tries = 0;
  while (SDL_Init(SDL_INIT_VIDEO) != 0) {
    if (++tries == 50) {
      std::cerr << "levelview: " << SDL_GetError() << std::endl;
      return 2;
    }
    SDL_Delay(100);
  }
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  if (!SDL_SetVideoMode(kWidth, kHeight, 0, SDL_OPENGL)) {
    std::cerr << "levelview: no window: " << SDL_GetError() << std::endl;
    SDL_Quit();
    return 2;
  }
  const GLenum glew = glewInit();
  if (glew != GLEW_OK) {
    std::cerr << "levelview: " << glewGetErrorString(glew) << std::endl;
    SDL_Quit();
    return 2;
  }
  Kettar::createTextureManager(1.0f);
  int code = 0;
  if (!Level::load(argv[1], true)) {
    std::cerr << "levelview: cannot load " << argv[1] << std::endl;
    code = 3;
  } else {
    const Level& level = *Level::current;
    const Vec2 at = argc == 6 ? Vec2(float(std::atof(argv[3])), float(std::atof(argv[4]))) : level.start;
    setUpScene(at, argc == 6 ? float(std::atof(argv[5])) : 30.0f);
    level.draw();
    if (!saveFrame(argv[2])) code = 4;
  }
  delete Level::current;
  Level::current = nullptr;
  ferrox::destroyWorld();
  Kettar::destroyTextureManager();
  SDL_Quit();
  return code;
}
