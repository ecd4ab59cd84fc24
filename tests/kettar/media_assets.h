#pragma once
// Small media files made by the tests themselves in temporary folders, an
// SDL OpenGL window for the tests that need one, and a capture of the log.

#include <gtest/gtest.h>

#include <cstdint>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "../support/texture_bytes.h"  // also built into make_demo_media, which lacks tests/ on its path

namespace media_test {

// A fresh folder under the system's temporary folder, removed with its files.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string path(const std::string& name) const { return dir_ + "/" + name; }

 private:
  std::string dir_;
};

void writeFile(const std::string& path, const std::string& bytes);
// The file's bytes; empty when it cannot be read.
std::string readFile(const std::string& path);

using test_support::blockBytes;
using test_support::ktrBytes;

// An 8-bit RGBA (or RGB when alpha is false) PNG of width x height pixels.
void writePng(const std::string& path, int width, int height, const std::vector<uint8_t>& pixels,
              bool alpha);
// A 16-bit mono WAVE of the given length at 22050 Hz.
void writeWav(const std::string& path, double seconds);
// An Ogg Vorbis track of the given length (a quiet tone), 44100 Hz mono.
void writeOgg(const std::string& path, double seconds);

// Collects what is written to std::cout while it lives.
class CoutCapture {
 public:
  CoutCapture() : old_(std::cout.rdbuf(text_.rdbuf())) {}
  ~CoutCapture() { std::cout.rdbuf(old_); }
  std::string text() const { return text_.str(); }
  std::vector<std::string> lines() const;

 private:
  std::ostringstream text_;
  std::streambuf* old_;
};

// Sets an environment variable while it lives, then puts back what was there, so
// that a test choosing SDL's dummy drivers leaves the next test in the process the
// display it was given.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  bool had_;           // whether the variable was set before
  std::string old_;    // its value then; empty when it was not set
};

// Opens a 64x64 SDL OpenGL window with GLEW for each test. Without a display
// (a local headless run) the test is skipped; CI always has one.
class GlWindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace media_test
