#pragma once
// A texture manager on a 64x64 OpenGL window for each test, and the pixels of
// a texture read back from OpenGL.

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "kettar/texture_manager.h"
#include "media_assets.h"

class TextureManagerTest : public media_test::GlWindowTest {
 protected:
  void SetUp() override {
    GlWindowTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    Kettar::createTextureManager(1.0f);
  }
  void TearDown() override {
    Kettar::destroyTextureManager();
    GlWindowTest::TearDown();
  }

  std::vector<uint8_t> readBack(int32_t id, int width, int height) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width * height * 4), 0);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(id));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
  }

  media_test::TempDir dir;
};
