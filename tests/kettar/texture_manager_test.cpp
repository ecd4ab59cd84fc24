#include "kettar/texture_manager.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "media_assets.h"
#include "texture_fixture.h"

namespace {

using media_test::CoutCapture;
using media_test::ktrBytes;

TEST_F(TextureManagerTest, OwnTextureFileReadsBackByteExact) {
  const std::vector<uint8_t> pixels = {0x10, 0x20, 0x30, 0x40, 0xF0, 0xE0, 0xD0, 0xC0};
  const std::string path = dir.path("two.ktr");
  media_test::writeFile(path, ktrBytes(2, 1, pixels));
  CoutCapture log;
  const int32_t id = Kettar::textureManager->load(path, 0);
  ASSERT_GT(id, 0) << log.text();
  EXPECT_EQ(log.text(), "[TexMan] loaded texture: " + path + "\n");
  EXPECT_EQ(readBack(id, 2, 1), pixels);
  const int index = Kettar::textureManager->indexOfId(id);
  ASSERT_EQ(index, 0);
  EXPECT_EQ(Kettar::textureManager->entries()[0].width, 2);
  EXPECT_EQ(Kettar::textureManager->entries()[0].height, 1);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  // Nothing stays bound to the unpack target after the upload.
  GLint unpack = -1;
  glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &unpack);
  EXPECT_EQ(unpack, 0);
}

TEST_F(TextureManagerTest, ThePathIsLoadedOnceAndTheSecondModeIgnored) {
  const std::string path = dir.path("once.ktr");
  media_test::writeFile(path, ktrBytes(1, 1, {1, 2, 3, 4}));
  CoutCapture log;
  const int32_t first = Kettar::textureManager->load(path, 1);
  const int32_t second = Kettar::textureManager->load(path, 3);
  EXPECT_EQ(first, second);
  EXPECT_EQ(log.lines().size(), 1u);
  EXPECT_EQ(Kettar::textureManager->entries().size(), 1u);
  EXPECT_EQ(Kettar::textureManager->mode(), 1);
  GLint minFilter = 0;
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(first));
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  EXPECT_EQ(minFilter, GL_LINEAR);
}

TEST_F(TextureManagerTest, FilterModes) {
  struct Case {
    int32_t mode;
    GLint minFilter;
    GLint magFilter;
    bool mipmaps;
  } cases[] = {
      {0, GL_NEAREST, GL_NEAREST, false},
      {1, GL_LINEAR, GL_LINEAR, false},
      {2, GL_NEAREST_MIPMAP_NEAREST, GL_LINEAR, true},  // magnification keeps OpenGL's initial value
      {3, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, true},
      {7, GL_NEAREST, GL_LINEAR, false},
      {-1, GL_NEAREST, GL_LINEAR, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("mode " + std::to_string(c.mode));
    const std::string path = dir.path("mode" + std::to_string(c.mode) + ".ktr");
    media_test::writeFile(path, ktrBytes(4, 4, std::vector<uint8_t>(64, 200)));
    const int32_t id = Kettar::textureManager->load(path, c.mode);
    ASSERT_GT(id, 0);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(id));
    GLint minFilter = 0, magFilter = 0, levelOneWidth = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &levelOneWidth);
    EXPECT_EQ(minFilter, c.minFilter);
    EXPECT_EQ(magFilter, c.magFilter);
    EXPECT_EQ(levelOneWidth, c.mipmaps ? 2 : 0);
    EXPECT_EQ(Kettar::textureManager->mode(), c.mode);
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureManagerTest, EveryUploadTakesTheAnisotropy) {
  // The software renderer of the tests offers anisotropic filtering.
  ASSERT_TRUE(GLEW_EXT_texture_filter_anisotropic);
  GLfloat largest = 0;
  glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &largest);
  Kettar::TextureManager own(largest);
  const std::string path = dir.path("a.ktr");
  media_test::writeFile(path, ktrBytes(1, 1, {1, 2, 3, 4}));
  CoutCapture quiet;
  const int32_t id = own.load(path, 0);
  ASSERT_GT(id, 0);
  GLfloat value = 0;
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(id));
  glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &value);
  EXPECT_EQ(value, largest);
}

std::string rawKtr(int32_t width, int32_t height, size_t pixelBytes) {
  std::string raw(8, '\0');
  std::memcpy(&raw[0], &width, 4);
  std::memcpy(&raw[4], &height, 4);
  return media_test::blockBytes(raw + std::string(pixelBytes, '\x33'));
}

TEST_F(TextureManagerTest, DamagedOwnTextureFilesFailCleanly) {
  GLint largest = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
  const std::string good = ktrBytes(2, 2, std::vector<uint8_t>(16, 1));
  struct Case {
    const char* name;
    std::string bytes;
    bool written;
  } cases[] = {
      {"missing", "", false},
      {"empty", "", true},
      {"truncated", good.substr(0, good.size() - 3), true},
      {"size larger than its pixels", rawKtr(4, 4, 16), true},
      {"size smaller than its pixels", rawKtr(1, 1, 16), true},
      {"negative size", rawKtr(-1, -16, 64), true},
      {"huge size", rawKtr(INT32_MAX, INT32_MAX, 4), true},
      {"overflowing product", rawKtr(0x40000001, 4, 16), true},
      {"wider than any texture", rawKtr(largest + 1, 1, static_cast<size_t>(largest + 1) * 4), true},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.path("bad" + std::to_string(n++) + ".ktr");
    if (c.written) media_test::writeFile(path, c.bytes);
    CoutCapture log;
    EXPECT_EQ(Kettar::textureManager->load(path, 3), -1);
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("!![TexMan] couldn't load " + path + "; ", 0), 0u) << lines[0];
    EXPECT_GT(lines[0].size(), ("!![TexMan] couldn't load " + path + "; ").size());
  }
  EXPECT_TRUE(Kettar::textureManager->entries().empty());
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureManagerTest, ExtensionDecidesTheReader) {
  const std::string ktr = ktrBytes(1, 1, {9, 8, 7, 6});
  media_test::writeFile(dir.path("nodotktr"), ktr);
  media_test::writeFile(dir.path("upper.KTR"), ktr);
  EXPECT_GT(Kettar::textureManager->load(dir.path("nodotktr"), 1), 0);
  CoutCapture log;
  // Upper case goes to SDL_image, which cannot read the block.
  EXPECT_EQ(Kettar::textureManager->load(dir.path("upper.KTR"), 1), -1);
  // Paths shorter than the suffix are image paths too.
  EXPECT_EQ(Kettar::textureManager->load("kt", 1), -1);
  EXPECT_EQ(Kettar::textureManager->load("", 1), -1);
  const auto lines = log.lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1].rfind("!![TexMan] couldn't load kt; ", 0), 0u);
}

TEST_F(TextureManagerTest, FailedImageLoadsAreTriedAgainAndLeaveTheCacheAlone) {
  const std::string path = dir.path("absent.png");
  CoutCapture log;
  EXPECT_EQ(Kettar::textureManager->load(path, 2), -1);
  EXPECT_EQ(Kettar::textureManager->load(path, 0), -1);
  EXPECT_EQ(log.lines().size(), 2u);
  EXPECT_TRUE(Kettar::textureManager->entries().empty());
  EXPECT_EQ(Kettar::textureManager->mode(), 0);
  EXPECT_EQ(Kettar::textureManager->indexOfId(-1), -1);
  EXPECT_EQ(Kettar::textureManager->indexOfPath(path), -1);
  EXPECT_EQ(Kettar::textureManager->idOfPath(path), -1);
}

TEST_F(TextureManagerTest, LookupsAndRemovalKeepTheLoadOrder) {
  std::vector<int32_t> ids;
  for (const char* name : {"a.ktr", "b.ktr", "c.ktr"}) {
    media_test::writeFile(dir.path(name), ktrBytes(1, 1, {1, 1, 1, 1}));
    ids.push_back(Kettar::textureManager->load(dir.path(name), 1));
  }
  Kettar::TextureManager& m = *Kettar::textureManager;
  EXPECT_EQ(m.indexOfId(ids[2]), 2);
  EXPECT_EQ(m.indexOfPath(dir.path("b.ktr")), 1);
  EXPECT_EQ(m.idOfPath(dir.path("b.ktr")), ids[1]);
  m.removePath(dir.path("a.ktr"));
  EXPECT_EQ(m.indexOfId(ids[1]), 0);
  EXPECT_EQ(m.indexOfId(ids[2]), 1);
  m.removeId(ids[2]);
  m.removeId(-1);
  m.removePath("never loaded");
  ASSERT_EQ(m.entries().size(), 1u);
  EXPECT_EQ(m.entries()[0].id, static_cast<uint32_t>(ids[1]));
  // The texture of a forgotten entry still exists.
  EXPECT_TRUE(glIsTexture(static_cast<GLuint>(ids[0])));
}

TEST_F(TextureManagerTest, DestroyingDeletesEveryTexture) {
  media_test::writeFile(dir.path("x.ktr"), ktrBytes(1, 1, {1, 1, 1, 1}));
  const int32_t id = Kettar::textureManager->load(dir.path("x.ktr"), 1);
  ASSERT_TRUE(glIsTexture(static_cast<GLuint>(id)));
  Kettar::destroyTextureManager();
  EXPECT_EQ(Kettar::textureManager, nullptr);
  EXPECT_FALSE(glIsTexture(static_cast<GLuint>(id)));
  // Again with no manager: only SDL_image is shut down.
  Kettar::destroyTextureManager();
}

}  // namespace
