#include "media_assets.h"

#include <GL/glew.h>
#include <SDL.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "environment.h"
#include "../support/sdl_video.h"  // also built into make_demo_media, which lacks tests/ on its path

namespace media_test {

// A name no other folder has yet: create_directory makes it only when it is new.
TempDir::TempDir() {
  std::random_device seed;
  std::mt19937 pick(seed());
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int tries = 0; tries < 100 && dir_.empty(); ++tries) {
    const std::filesystem::path folder = base / ("ombrel-media-" + std::to_string(pick()));
    std::error_code error;
    if (std::filesystem::create_directory(folder, error)) dir_ = folder.string();
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

namespace {

void putLe(std::string& s, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

}  // namespace

void writePng(const std::string& path, int width, int height, const std::vector<uint8_t>& pixels,
              bool alpha) {
  writeFile(path, test_support::pngBytes(width, height, pixels, alpha));
}

void writeWav(const std::string& path, double seconds) {
  const uint32_t rate = 22050;
  const uint32_t samples = static_cast<uint32_t>(seconds * rate);
  std::string wav = "RIFF";
  putLe(wav, 36 + samples * 2, 4);
  wav += "WAVEfmt ";
  putLe(wav, 16, 4);
  putLe(wav, 1, 2);  // PCM
  putLe(wav, 1, 2);  // mono
  putLe(wav, rate, 4);
  putLe(wav, rate * 2, 4);
  putLe(wav, 2, 2);
  putLe(wav, 16, 2);
  wav += "data";
  putLe(wav, samples * 2, 4);
  for (uint32_t i = 0; i < samples; ++i)
    putLe(wav, static_cast<uint16_t>(static_cast<int16_t>(3000 * std::sin(i * 0.1))), 2);
  writeFile(path, wav);
}

void writeOgg(const std::string& path, double seconds) {
  const int rate = 44100;
  std::ofstream out(path, std::ios::binary);
  vorbis_info info;
  vorbis_info_init(&info);
  vorbis_encode_init_vbr(&info, 1, rate, 0.1f);
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_dsp_state dsp;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block block;
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, 1);
  ogg_page page;
  ogg_packet packet;
  auto writePage = [&]() {
    out.write(reinterpret_cast<const char*>(page.header), page.header_len);
    out.write(reinterpret_cast<const char*>(page.body), page.body_len);
  };

  ogg_packet header, headerComment, headerCode;
  vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
  ogg_stream_packetin(&stream, &header);
  ogg_stream_packetin(&stream, &headerComment);
  ogg_stream_packetin(&stream, &headerCode);
  while (ogg_stream_flush(&stream, &page) != 0) writePage();

  const int total = static_cast<int>(seconds * rate);
  int done = 0;
  bool eos = false;
  bool ended = false;
  while (!eos) {
    const int n = std::min(1024, total - done);
    if (n > 0) {
      float** buffer = vorbis_analysis_buffer(&dsp, n);
      for (int i = 0; i < n; ++i) buffer[0][i] = 0.1f * std::sin((done + i) * 0.05f);
      vorbis_analysis_wrote(&dsp, n);
      done += n;
    } else if (!ended) {
      vorbis_analysis_wrote(&dsp, 0);
      ended = true;
    }
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
      vorbis_analysis(&block, nullptr);
      vorbis_bitrate_addblock(&block);
      while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
        ogg_stream_packetin(&stream, &packet);
        while (!eos && ogg_stream_pageout(&stream, &page) != 0) {
          writePage();
          if (ogg_page_eos(&page)) eos = true;
        }
      }
    }
  }
  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
}

std::vector<std::string> CoutCapture::lines() const {
  std::vector<std::string> result;
  std::istringstream in(text_.str());
  for (std::string line; std::getline(in, line);) result.push_back(line);
  return result;
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
  const char* old = std::getenv(name);
  had_ = old != nullptr;
  if (had_) old_ = old;
  setEnvironment(name, value);
}

ScopedEnv::~ScopedEnv() {
  if (had_) {
    setEnvironment(name_.c_str(), old_.c_str());
  } else {
    clearEnvironment(name_.c_str());
  }
}

void GlWindowTest::SetUp() {
  if (!test_support::haveDisplay()) GTEST_SKIP() << "no display for an OpenGL window";
  ASSERT_EQ(test_support::startSdlVideo(), 0) << SDL_GetError();
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  ASSERT_NE(SDL_SetVideoMode(64, 64, 32, SDL_OPENGL), nullptr) << SDL_GetError();
  ASSERT_EQ(glewInit(), static_cast<GLenum>(GLEW_OK));
}

void GlWindowTest::TearDown() {
  if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_Quit();
}

}  // namespace media_test
