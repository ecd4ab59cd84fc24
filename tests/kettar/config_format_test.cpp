#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "config_settings.h"
#include "kettar/app_config.h"
#include "media_assets.h"

namespace {

// The file written with every setting at its default; the demo's whole-program tests
// compare what the demo writes against the same file.
std::string defaultFile() {
  return media_test::readFile(OMBREL_SOURCE_DIR "/tests/kettar/default_settings.cfg");
}

std::string withCrlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

TEST(ConfigWrittenForm, DefaultsAreWrittenByteForByte) {
  const std::string golden = defaultFile();
  ASSERT_FALSE(golden.empty());
  EXPECT_EQ(Settings{}.written(), golden);
}

TEST(ConfigWrittenForm, ValuesAreWrittenInTheirOwnForms) {
  Settings s;
  s.app.turbo = true;
  s.app.fps = -7;
  s.app.logTo = "file";
  s.video.width = INT_MAX;
  s.audio.musicRestart = 0.5f;
  s.audio.musicFadeIn = 1234.5678f;
  s.audio.musicFadeOut = 0.00001f;
  const std::string text = s.written();
  for (const char* line : {"  turbo = true\n", "  fps = -7\n", "  logTo = file\n",
                           "  width = 2147483647\n", "  musicRestart = 0.500000\n",
                           "  musicFadeIn = 1234.57\n", "  musicFadeOut = 1.00000e-05\n"}) {
    SCOPED_TRACE(line);
    EXPECT_NE(text.find(line), std::string::npos);
  }
}

TEST(ConfigWrittenForm, WrittenFileReadsBackToTheSameSettings) {
  Settings s;
  s.app.dualThread = true;
  s.app.pps = 500;
  s.app.logTo = "none";
  s.video.width = 1275;
  s.video.height = 795;
  s.video.fullScreen = true;
  s.video.antialias = 4;
  s.audio.active = false;
  s.audio.musicVol = 0;
  s.audio.soundVol = 100;
  s.audio.musicRestart = 0.25f;
  s.audio.musicFadeOut = 12.5f;

  std::istringstream in(s.written());
  Settings back;
  EXPECT_TRUE(Kettar::readConfig(in, back.app, back.video, back.audio));
  EXPECT_EQ(back.written(), s.written());
}

// A file with every setting away from its default (and each boolean from its
// neighbours), in the written form: sections in order, keys in table order,
// booleans as words, reals with six significant digits and the point shown.
const char* const kChangedFile = R"(
AppConfig
{
  dualThread = true
  turbo = false
  fps = 75
  pps = 333
  mouseSpeed = 17
  logTo = file
}


VideoConfig
{
  resizable = false
  stretchOnResize = true
  vsync = false
  width = 1280
  height = 1024
  minWidth = 640
  minHeight = 480
  fullScreen = true
  antialias = 8
  anisotropic = false
  stencil = true
}


AudioConfig
{
  active = false
  frequency = 22050
  buffer = 2048
  stereo = false
  voices = 16
  musicVol = 30
  soundVol = 70
  fade = true
  cycle = false
  musicRestart = 0.250000
  musicFadeIn = 12.5000
  musicFadeOut = 3.00000
}

)";

TEST(ConfigWrittenForm, EverySettingIsWrittenUnderItsKeyInItsPlace) {
  Settings s;
  s.app.dualThread = true;
  s.app.turbo = false;
  s.app.fps = 75;
  s.app.pps = 333;
  s.app.mouseSpeed = 17;
  s.app.logTo = "file";
  s.video.resizable = false;
  s.video.stretchOnResize = true;
  s.video.vsync = false;
  s.video.width = 1280;
  s.video.height = 1024;
  s.video.minWidth = 640;
  s.video.minHeight = 480;
  s.video.fullScreen = true;
  s.video.antialias = 8;
  s.video.anisotropic = false;
  s.video.stencil = true;
  s.audio.active = false;
  s.audio.frequency = 22050;
  s.audio.buffer = 2048;
  s.audio.stereo = false;
  s.audio.voices = 16;
  s.audio.musicVol = 30;
  s.audio.soundVol = 70;
  s.audio.fade = true;
  s.audio.cycle = false;
  s.audio.musicRestart = 0.25f;
  s.audio.musicFadeIn = 12.5f;
  s.audio.musicFadeOut = 3.0f;
  EXPECT_EQ(s.written(), kChangedFile);
}

TEST(ConfigReader, ReadsEverySettingFromItsKey) {
  Settings r;
  // The file's false values, where they are the defaults, must be read, not kept.
  r.app.turbo = true;
  r.video.vsync = true;
  r.video.anisotropic = true;
  r.audio.cycle = true;
  std::istringstream in(kChangedFile);
  ASSERT_TRUE(Kettar::readConfig(in, r.app, r.video, r.audio));
  EXPECT_TRUE(r.app.dualThread);
  EXPECT_FALSE(r.app.turbo);
  EXPECT_EQ(r.app.fps, 75);
  EXPECT_EQ(r.app.pps, 333);
  EXPECT_EQ(r.app.mouseSpeed, 17);
  EXPECT_EQ(r.app.logTo, "file");
  EXPECT_FALSE(r.video.resizable);
  EXPECT_TRUE(r.video.stretchOnResize);
  EXPECT_FALSE(r.video.vsync);
  EXPECT_EQ(r.video.width, 1280);
  EXPECT_EQ(r.video.height, 1024);
  EXPECT_EQ(r.video.minWidth, 640);
  EXPECT_EQ(r.video.minHeight, 480);
  EXPECT_TRUE(r.video.fullScreen);
  EXPECT_EQ(r.video.antialias, 8);
  EXPECT_FALSE(r.video.anisotropic);
  EXPECT_TRUE(r.video.stencil);
  EXPECT_FALSE(r.audio.active);
  EXPECT_EQ(r.audio.frequency, 22050);
  EXPECT_EQ(r.audio.buffer, 2048);
  EXPECT_FALSE(r.audio.stereo);
  EXPECT_EQ(r.audio.voices, 16);
  EXPECT_EQ(r.audio.musicVol, 30);
  EXPECT_EQ(r.audio.soundVol, 70);
  EXPECT_TRUE(r.audio.fade);
  EXPECT_FALSE(r.audio.cycle);
  EXPECT_EQ(r.audio.musicRestart, 0.25f);
  EXPECT_EQ(r.audio.musicFadeIn, 12.5f);
  EXPECT_EQ(r.audio.musicFadeOut, 3.0f);
}

struct ReaderCase {
  const char* name;
  std::string input;
  bool found;                               // the configuration-read flag
  std::function<void(Settings&)> expected;  // changes the file makes to the defaults
};

TEST(ConfigReader, Cases) {
  const std::string longText(60, 'x');
  const std::vector<ReaderCase> cases = {
      {"empty input", "", false, [](Settings&) {}},
      {"no section name", "hello\n{\n  fps = 30\n}\n", false, [](Settings&) {}},
      {"all sections",
       "AppConfig\n{\n  fps = 30\n}\nVideoConfig\n{\n  width = 1024\n}\n"
       "AudioConfig\n{\n  voices = 16\n}\n",
       true,
       [](Settings& s) {
         s.app.fps = 30;
         s.video.width = 1024;
         s.audio.voices = 16;
       }},
      {"missing closing brace at the end", "AppConfig\n{\n  fps = 30\n  pps = 90\n", true,
       [](Settings& s) {
         s.app.fps = 30;
         s.app.pps = 90;
       }},
      {"input ends inside a key", "AppConfig\n{\n  fps = 30\n  pps", true,
       [](Settings& s) { s.app.fps = 30; }},
      {"missing sections are skipped", "AudioConfig\n{\n  voices = 16\n}\n", true,
       [](Settings& s) { s.audio.voices = 16; }},
      {"sections out of order keep only the first",
       "VideoConfig\n{\n  width = 1024\n}\nAppConfig\n{\n  fps = 30\n}\n"
       "AudioConfig\n{\n  voices = 16\n}\n",
       true, [](Settings& s) { s.video.width = 1024; }},
      {"repeated key keeps its last value", "AppConfig\n{\n  fps = 30\n  fps = 45\n}\n", true,
       [](Settings& s) { s.app.fps = 45; }},
      {"keys in any order", "VideoConfig\n{\n  stencil = true\n  resizable = false\n}\n", true,
       [](Settings& s) {
         s.video.stencil = true;
         s.video.resizable = false;
       }},
      {"no blanks around the equals sign", "AppConfig\n{\nfps=30\n}\n", true,
       [](Settings& s) { s.app.fps = 30; }},
      {"key and value across line ends", "AppConfig\n{\n  fps\n=\n30\n}\n", true,
       [](Settings& s) { s.app.fps = 30; }},
      {"the opening brace may be any word", "AppConfig\nbegin\n  fps = 30\n}\n", true,
       [](Settings& s) { s.app.fps = 30; }},
      {"CRLF keeps only the first section",
       withCrlf("AppConfig\n{\n  turbo = true\n  logTo = file\n}\n\nVideoConfig\n{\n"
                "  width = 1024\n}\n\nAudioConfig\n{\n  voices = 16\n}\n"),
       true,
       [](Settings& s) {
         s.app.turbo = true;
         s.app.logTo = "file";
       }},
      {"tab-indented closing brace ends the file",
       "AppConfig\n{\n  fps = 30\n\t}\n\nVideoConfig\n{\n  width = 1024\n}\n", true,
       [](Settings& s) { s.app.fps = 30; }},
      {"over-long text keeps 49 characters and reading goes on",
       "AppConfig\n{\n  logTo = " + longText + "\n  fps = 30\n}\n", true,
       [&](Settings& s) {
         s.app.logTo = longText.substr(0, 49);
         s.app.fps = 30;
       }},
      {"unknown key loses the rest of the file",
       "AppConfig\n{\n  fps = 30\n  colour = 1\n  pps = 90\n}\n"
       "VideoConfig\n{\n  width = 1024\n}\n",
       true, [](Settings& s) { s.app.fps = 30; }},
      {"keys match case exactly",
       "AppConfig\n{\n  FPS = 30\n}\nVideoConfig\n{\n  width = 1024\n}\n", true, [](Settings&) {}},
      {"empty key ends the section", "AppConfig\n{\n  = 30\n  fps = 20\n}\n", true,
       [](Settings&) {}},
      {"boolean written as 1 stops the file",
       "AppConfig\n{\n  turbo = true\n  dualThread = 1\n  fps = 30\n}\n"
       "VideoConfig\n{\n  width = 1024\n}\n",
       true, [](Settings& s) { s.app.turbo = true; }},
      {"word for a number keeps the earlier value",
       "AppConfig\n{\n  fps = 75\n  fps = fast\n}\nVideoConfig\n{\n  width = 1024\n}\n", true,
       [](Settings& s) { s.app.fps = 75; }},
      {"integer overflow keeps the earlier value", "AppConfig\n{\n  pps = 99999999999\n}\n", true,
       [](Settings&) {}},
      {"bad real keeps the earlier value",
       "AudioConfig\n{\n  musicRestart = 2.5\n  musicFadeIn = slow\n  voices = 16\n}\n", true,
       [](Settings& s) { s.audio.musicRestart = 2.5f; }},
      {"signed integers and reals",
       "AppConfig\n{\n  fps = -5\n}\nAudioConfig\n{\n  musicFadeIn = +1e1\n  soundVol = +70\n}\n",
       true,
       [](Settings& s) {
         s.app.fps = -5;
         s.audio.musicFadeIn = 10.0f;
         s.audio.soundVol = 70;
       }},
  };
  for (const ReaderCase& row : cases) {
    SCOPED_TRACE(row.name);
    std::istringstream in(row.input);
    Settings read;
    EXPECT_EQ(Kettar::readConfig(in, read.app, read.video, read.audio), row.found);
    Settings expected;
    row.expected(expected);
    EXPECT_EQ(read.written(), expected.written());
  }
}

TEST(ConfigReader, SectionNotNextLeavesTheStreamForTheNextReader) {
  std::istringstream in("VideoConfig\n{\n  width = 1024\n}\n");
  Settings s;
  EXPECT_FALSE(Kettar::readSection(in, s.app));
  EXPECT_TRUE(Kettar::readSection(in, s.video));
  EXPECT_EQ(s.video.width, 1024);
}

TEST(ConfigReader, FailedStreamReadsNothing) {
  std::istringstream in("AppConfig\n{\n  fps = 30\n}\n");
  in.setstate(std::ios::failbit);
  Kettar::AppConfig app;
  EXPECT_FALSE(Kettar::readSection(in, app));
  EXPECT_EQ(app.fps, 60);
}

}  // namespace
