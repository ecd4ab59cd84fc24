// Loads every sound, track and font the builder wrote with the libraries the
// game reads them with (SDL_mixer, FTGL) and checks what the game relies on.

#include <gtest/gtest.h>

#include <FTGL/ftgl.h>
#include <SDL.h>
#include <SDL_mixer.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdlib>
#include <cstring>
#include <set>

#include "data_paths.h"

namespace {

std::string full(const std::string& relative) { return std::string(OMBREL_BUILD_DIR) + "/" + relative; }

class DataAudio : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
    Mix_Init(MIX_INIT_OGG);
    ASSERT_EQ(Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024), 0) << Mix_GetError();
  }
  static void TearDownTestSuite() {
    Mix_CloseAudio();
    Mix_Quit();
    SDL_Quit();
  }
};

TEST_F(DataAudio, EverySoundLoadsAsAMixerChunk) {
  for (const std::string& path : datatest::soundPaths()) {
    SCOPED_TRACE(path);
    const std::string bytes = datatest::readBytes(full(path));
    ASSERT_GT(bytes.size(), 44u);
    EXPECT_EQ(bytes.compare(0, 4, "RIFF"), 0);
    EXPECT_EQ(bytes.compare(8, 8, "WAVEfmt "), 0);
    uint16_t format, bits;
    std::memcpy(&format, bytes.data() + 20, 2);
    std::memcpy(&bits, bytes.data() + 34, 2);
    EXPECT_EQ(format, 1);  // PCM
    EXPECT_EQ(bits, 16);
    Mix_Chunk* chunk = Mix_LoadWAV(full(path).c_str());
    ASSERT_NE(chunk, nullptr) << Mix_GetError();
    EXPECT_GT(chunk->alen, 0u);
    Mix_FreeChunk(chunk);
  }
}

// Ogg pages: the last page's granule position is the track's length in samples;
// the rate is in the first (identification) packet.
double oggSeconds(const std::string& bytes) {
  const size_t ident = bytes.find("\x01vorbis");
  if (ident == std::string::npos) return -1;
  uint32_t rate;
  std::memcpy(&rate, bytes.data() + ident + 12, 4);
  const size_t last = bytes.rfind("OggS");
  if (last == std::string::npos || rate == 0) return -1;
  int64_t granule;
  std::memcpy(&granule, bytes.data() + last + 6, 8);
  return double(granule) / rate;
}

TEST_F(DataAudio, EveryTrackLoadsAsMusicIsDistinctAndLastsTwentyToSixtySeconds) {
  std::set<std::string> seen;
  for (const std::string& path : datatest::musicPaths()) {
    SCOPED_TRACE(path);
    Mix_Music* music = Mix_LoadMUS(full(path).c_str());
    ASSERT_NE(music, nullptr) << Mix_GetError();
    Mix_FreeMusic(music);
    const std::string bytes = datatest::readBytes(full(path));
    const double seconds = oggSeconds(bytes);
    EXPECT_GE(seconds, 20.0);
    EXPECT_LE(seconds, 60.0);
    EXPECT_TRUE(seen.insert(bytes).second);
  }
}

// The wheel sound loops: the step from its last sample back to its first is no
// larger than the steps inside it, so the loop does not click.
TEST_F(DataAudio, WheelSoundLoopsWithoutAClick) {
  const std::string bytes = datatest::readBytes(full("data/audio/sounds/wheel.wav"));
  ASSERT_GT(bytes.size(), 44u + 1000u);
  const size_t n = (bytes.size() - 44) / 2;
  std::vector<int16_t> s(n);
  std::memcpy(s.data(), bytes.data() + 44, n * 2);
  int largest = 0;
  for (size_t i = 1; i < n; ++i) largest = std::max(largest, std::abs(int(s[i]) - int(s[i - 1])));
  EXPECT_LE(std::abs(int(s[0]) - int(s[n - 1])), largest);
  // And it starts loud: a fade-in at the seam would be heard as a gap.
  int early = 0;
  for (size_t i = 0; i < 200; ++i) early = std::max(early, std::abs(int(s[i])));
  EXPECT_GT(early, 2000);
}

TEST(DataFonts, FontsLoadThroughFtglWithTheirLicencesBeside) {
  for (const char* name : {"DejaVuSans.ttf", "sector.ttf", "Digiface_Regular.ttf"}) {
    SCOPED_TRACE(name);
    const std::string path = full(std::string("data/fonts/") + name);
    FTTextureFont font(path.c_str());
    EXPECT_EQ(font.Error(), 0);
    EXPECT_TRUE(font.FaceSize(12, 72));
    EXPECT_GT(datatest::readBytes(path + ".copyright").size(), 100u);
  }
}

// The time font writes "12.34 / 9999.00", the screen font the menu's words.
TEST(DataFonts, FontsHaveTheGlyphsTheGameWrites) {
  struct Case {
    const char* name;
    const char* text;
  };
  const Case cases[] = {{"Digiface_Regular.ttf", "0123456789./"},
                        {"sector.ttf", "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789:-"},
                        {"DejaVuSans.ttf", "FPS: PPS-0123456789."}};
  FT_Library library;
  ASSERT_EQ(FT_Init_FreeType(&library), 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FT_Face face;
    ASSERT_EQ(FT_New_Face(library, full(std::string("data/fonts/") + c.name).c_str(), 0, &face), 0);
    for (const char* p = c.text; *p; ++p) EXPECT_NE(FT_Get_Char_Index(face, FT_ULong(*p)), 0u) << *p;
    FT_Done_Face(face);
  }
  FT_Done_FreeType(library);
}

}  // namespace
