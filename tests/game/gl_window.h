#pragma once
// A small OpenGL window for the tests that tessellate, draw or load textures.
// Skips the test when no X display is there.

#include <GL/glew.h>
#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "ferrox/grid.h"
#include "kettar/texture_manager.h"
#include "support/sdl_video.h"

class GlWindowTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 160;
  static constexpr int kHeight = 120;

  void SetUp() override {
    if (!test_support::haveDisplay()) GTEST_SKIP() << "no X display";
    // Never fall back to a text-mode video driver without OpenGL.
    setenv("SDL_VIDEODRIVER", "x11", 0);
    ASSERT_EQ(test_support::startSdlVideo(), 0) << SDL_GetError();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    ASSERT_NE(SDL_SetVideoMode(kWidth, kHeight, 0, SDL_OPENGL), nullptr) << SDL_GetError();
    ASSERT_EQ(glewInit(), GLEW_OK);
    Kettar::createTextureManager(1.0f);
    opened_ = true;
  }

  void TearDown() override {
    if (!opened_) return;
    Kettar::destroyTextureManager();
    ferrox::destroyWorld();
    SDL_Quit();
  }

  // The scene set-up the game makes: object-linear texture generation, a
  // perspective looking down -z from z at the origin.
  static void setUpScene(float z) {
    glViewport(0, 0, kWidth, kHeight);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_POLYGON_OFFSET_FILL);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-0.0125 * kWidth / kHeight, 0.0125 * kWidth / kHeight, -0.0125, 0.0125, 0.05, 500);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -z);
  }

  static std::vector<uint8_t> readPixels() {
    std::vector<uint8_t> rgb(kWidth * kHeight * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
  }

  bool opened_ = false;
};
