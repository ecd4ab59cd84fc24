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
