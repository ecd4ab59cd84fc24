#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "config_settings.h"
#include "kettar/app_config.h"

namespace {

// The echoes of the default booleans: the application's two, then the rest.
const std::string appEchoes =
    "[App] requesting dualThread: false...\n"
    "[App] requesting turbo: false...\n";
const std::string laterEchoes =
    "[App] requesting resizable: true...\n"
    "[App] requesting viewportStretch: false...\n"
    "[App] requesting vSync: false...\n"
    "[App] requesting fullscreen: false...\n"
    "[App] requesting anisotropic: false...\n"
    "[App] requesting stencil buffer: false...\n"
    "[App] requesting audio system: true...\n"
    "[App] requesting stereo audio: true...\n"
    "[App] requesting music fade: false...\n"
    "[App] requesting music cycling: false...\n";
const std::string defaultsLog = appEchoes + laterEchoes;

std::string validate(Settings& s, int widestWidth = 1920, int widestHeight = 1080) {
  const Settings defaults;
  std::ostringstream log;
  Kettar::validateConfig(log, s.app, s.video, s.audio, defaults.app, defaults.video, defaults.audio,
                         widestWidth, widestHeight);
  return log.str();
}

// The lines that are not a boolean's echo: the reports of rejected values.
std::vector<std::string> reports(const std::string& log) {
  std::vector<std::string> lines;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) {
    const bool echo = line.rfind("[App] requesting ", 0) == 0 && line.size() > 3 &&
                      line.compare(line.size() - 3, 3, "...") == 0;
    if (!echo) lines.push_back(line);
  }
  return lines;
}

TEST(ConfigValidation, DefaultsPassWithEveryBooleanEchoed) {
  Settings s;
  EXPECT_EQ(validate(s), defaultsLog);
  EXPECT_EQ(s.written(), Settings{}.written());
}

TEST(ConfigValidation, BooleansAreEchoedWithTheirValues) {
  Settings s;
  s.app.dualThread = true;
  s.video.stretchOnResize = true;
  s.video.stencil = true;
  s.audio.cycle = true;
  const std::string log = validate(s);
  for (const char* line :
       {"[App] requesting dualThread: true...\n", "[App] requesting viewportStretch: true...\n",
        "[App] requesting stencil buffer: true...\n",
        "[App] requesting music cycling: true...\n"}) {
    SCOPED_TRACE(line);
    EXPECT_NE(log.find(line), std::string::npos);
  }
}

struct ValidationRow {
  const char* name;
  std::function<void(Settings&)> request;
  std::vector<std::string> lines;         // reports, in order
  std::function<void(Settings&)> result;  // the settings after validation, from the request
  int widestWidth = 1920;
  int widestHeight = 1080;
};

TEST(ConfigValidation, Rows) {
  const auto same = [](Settings&) {};
  const std::vector<ValidationRow> rows = {
      {"fps 0",
       [](Settings& s) { s.app.fps = 0; },
       {"[App] requesting fps: 0, which is impossible; defaulting to 60"},
       [](Settings& s) { s.app.fps = 60; }},
      {"fps 1001",
       [](Settings& s) { s.app.fps = 1001; },
       {"[App] requesting fps: 1001, which is impossible; defaulting to 60"},
       [](Settings& s) { s.app.fps = 60; }},
      {"fps 1000 accepted, then pps raised to it",
       [](Settings& s) { s.app.fps = 1000; },
       {"[App] requesting pps<fps in single thread mode, which is impossible; fixing"},
       [](Settings& s) { s.app.pps = 1000; }},
      {"fps 1 accepted", [](Settings& s) { s.app.fps = 1; }, {}, same},
      {"pps 0",
       [](Settings& s) { s.app.pps = 0; },
       {"[App] requesting pps: 0, which is impossible; defaulting to 120"},
       [](Settings& s) { s.app.pps = 120; }},
      {"pps 10001",
       [](Settings& s) { s.app.pps = 10001; },
       {"[App] requesting pps: 10001, which is impossible; defaulting to 120"},
       [](Settings& s) { s.app.pps = 120; }},
      {"pps 10000 accepted", [](Settings& s) { s.app.pps = 10000; }, {}, same},
      {"pps 1 accepted with a physics thread",
       [](Settings& s) {
         s.app.dualThread = true;
         s.app.pps = 1;
       },
       {},
       same},
      {"pps below fps in single thread mode",
       [](Settings& s) { s.app.pps = 30; },
       {"[App] requesting pps<fps in single thread mode, which is impossible; fixing"},
       [](Settings& s) { s.app.pps = 60; }},
      {"pps below fps with a physics thread",
       [](Settings& s) {
         s.app.dualThread = true;
         s.app.pps = 30;
       },
       {},
       same},
      {"pps compared with the corrected fps",
       [](Settings& s) {
         s.app.fps = 0;
         s.app.pps = 30;
       },
       {"[App] requesting fps: 0, which is impossible; defaulting to 60",
        "[App] requesting pps<fps in single thread mode, which is impossible; fixing"},
       [](Settings& s) {
         s.app.fps = 60;
         s.app.pps = 60;
       }},
      {"mouseSpeed 0",
       [](Settings& s) { s.app.mouseSpeed = 0; },
       {"[App] requesting mouseSpeed: 0, which is impossible; defaulting to 40"},
       [](Settings& s) { s.app.mouseSpeed = 40; }},
      {"mouseSpeed 101",
       [](Settings& s) { s.app.mouseSpeed = 101; },
       {"[App] requesting mouseSpeed: 101, which is impossible; defaulting to 40"},
       [](Settings& s) { s.app.mouseSpeed = 40; }},
      {"mouseSpeed 1 accepted", [](Settings& s) { s.app.mouseSpeed = 1; }, {}, same},
      {"mouseSpeed 100 accepted", [](Settings& s) { s.app.mouseSpeed = 100; }, {}, same},
      {"logTo unknown",
       [](Settings& s) { s.app.logTo = "Console"; },
       {"[App] logTo can only be console/file/none; defaulting to console"},
       [](Settings& s) { s.app.logTo = "console"; }},
      {"logTo file", [](Settings& s) { s.app.logTo = "file"; }, {}, same},
      {"logTo none", [](Settings& s) { s.app.logTo = "none"; }, {}, same},
      {"width below 20",
       [](Settings& s) { s.video.width = 19; },
       {"!![App] requesting video: 19x600, which is impossible; defaulting to 800x600"},
       [](Settings& s) { s.video.width = 800; }},
      {"height below 20",
       [](Settings& s) {
         s.video.width = 1024;
         s.video.height = -3;
       },
       {"!![App] requesting video: 1024x-3, which is impossible; defaulting to 800x600"},
       [](Settings& s) {
         s.video.width = 800;
         s.video.height = 600;
       }},
      {"20x20 accepted",
       [](Settings& s) {
         s.video.width = 20;
         s.video.height = 20;
       },
       {},
       same},
      {"wider than the widest mode",
       [](Settings& s) { s.video.width = 1921; },
       {"!![App] requesting video: 1921x600, which is impossible; defaulting to 1920x1080"},
       [](Settings& s) {
         s.video.width = 1920;
         s.video.height = 1080;
       }},
      {"higher than the widest mode",
       [](Settings& s) { s.video.height = 1081; },
       {"!![App] requesting video: 800x1081, which is impossible; defaulting to 1920x1080"},
       [](Settings& s) {
         s.video.width = 1920;
         s.video.height = 1080;
       }},
      {"the widest mode itself accepted",
       [](Settings& s) {
         s.video.width = 1920;
         s.video.height = 1080;
       },
       {},
       same},
      {"too small, then the default larger than the widest mode",
       [](Settings& s) { s.video.width = 5; },
       {"!![App] requesting video: 5x600, which is impossible; defaulting to 800x600",
        "!![App] requesting video: 800x600, which is impossible; defaulting to 640x480"},
       [](Settings& s) {
         s.video.width = 640;
         s.video.height = 480;
       },
       640,
       480},
      {"no known fullscreen mode leaves large sizes alone",
       [](Settings& s) {
         s.video.width = 5000;
         s.video.minWidth = 4000;
       },
       {},
       same,
       0,
       0},
      {"minWidth below 20",
       [](Settings& s) { s.video.minWidth = 19; },
       {"!![App] requesting min window size: 19x200, which is impossible; defaulting to 320x200"},
       [](Settings& s) { s.video.minWidth = 320; }},
      {"minHeight below 20",
       [](Settings& s) {
         s.video.minWidth = 800;
         s.video.minHeight = 0;
       },
       {"!![App] requesting min window size: 800x0, which is impossible; defaulting to 320x200"},
       [](Settings& s) {
         s.video.minWidth = 320;
         s.video.minHeight = 200;
       }},
      {"minWidth above the widest mode",
       [](Settings& s) { s.video.minWidth = 1921; },
       {"!![App] requesting min window size: 1921x200, which is impossible; defaulting to 320x200"},
       [](Settings& s) { s.video.minWidth = 320; }},
      {"minHeight above the widest mode",
       [](Settings& s) { s.video.minHeight = 1081; },
       {"!![App] requesting min window size: 320x1081, which is impossible; defaulting to 320x200"},
       [](Settings& s) { s.video.minHeight = 200; }},
      {"min window size 20x20 accepted",
       [](Settings& s) {
         s.video.minWidth = 20;
         s.video.minHeight = 20;
       },
       {},
       same},
      {"min window size of the widest mode accepted",
       [](Settings& s) {
         s.video.minWidth = 1920;
         s.video.minHeight = 1080;
       },
       {},
       same},
      {"antialias 3",
       [](Settings& s) { s.video.antialias = 3; },
       {"!![App] requesting antialias: 3, which is impossible; defaulting to 0"},
       [](Settings& s) { s.video.antialias = 0; }},
      {"antialias 128",
       [](Settings& s) { s.video.antialias = 128; },
       {"!![App] requesting antialias: 128, which is impossible; defaulting to 0"},
       [](Settings& s) { s.video.antialias = 0; }},
      {"antialias 1 accepted", [](Settings& s) { s.video.antialias = 1; }, {}, same},
      {"antialias 64 accepted", [](Settings& s) { s.video.antialias = 64; }, {}, same},
      {"frequency 11024",
       [](Settings& s) { s.audio.frequency = 11024; },
       {"!![App] requesting audio frequency: 11024, which is impossible; defaulting to 44100"},
       [](Settings& s) { s.audio.frequency = 44100; }},
      {"frequency 48001",
       [](Settings& s) { s.audio.frequency = 48001; },
       {"!![App] requesting audio frequency: 48001, which is impossible; defaulting to 44100"},
       [](Settings& s) { s.audio.frequency = 44100; }},
      {"frequency 11025 accepted", [](Settings& s) { s.audio.frequency = 11025; }, {}, same},
      {"frequency 48000 accepted", [](Settings& s) { s.audio.frequency = 48000; }, {}, same},
      {"buffer 63",
       [](Settings& s) { s.audio.buffer = 63; },
       {"!![App] requesting audio buffer: 63, which is impossible; defaulting to 1024"},
       [](Settings& s) { s.audio.buffer = 1024; }},
      {"buffer 8193",
       [](Settings& s) { s.audio.buffer = 8193; },
       {"!![App] requesting audio buffer: 8193, which is impossible; defaulting to 1024"},
       [](Settings& s) { s.audio.buffer = 1024; }},
      {"buffer 64 accepted", [](Settings& s) { s.audio.buffer = 64; }, {}, same},
      {"buffer 8192 accepted", [](Settings& s) { s.audio.buffer = 8192; }, {}, same},
      {"voices 0",
       [](Settings& s) { s.audio.voices = 0; },
       {"!![App] requesting audio voices: 0, which is impossible; defaulting to 8"},
       [](Settings& s) { s.audio.voices = 8; }},
      {"voices 65",
       [](Settings& s) { s.audio.voices = 65; },
       {"!![App] requesting audio voices: 65, which is impossible; defaulting to 8"},
       [](Settings& s) { s.audio.voices = 8; }},
      {"voices 1 accepted", [](Settings& s) { s.audio.voices = 1; }, {}, same},
      {"voices 64 accepted", [](Settings& s) { s.audio.voices = 64; }, {}, same},
      {"volumes 101 apart",
       [](Settings& s) {
         s.audio.musicVol = 0;
         s.audio.soundVol = 101;
       },
       {"!![App] unacceptable delta between sound & music volume. Defaulting to 60 & 40"},
       [](Settings& s) {
         s.audio.musicVol = 40;
         s.audio.soundVol = 60;
       }},
      {"music 100 above sound accepted",
       [](Settings& s) {
         s.audio.musicVol = 100;
         s.audio.soundVol = 0;
       },
       {},
       same},
      {"sound 100 above music accepted",
       [](Settings& s) {
         s.audio.musicVol = 0;
         s.audio.soundVol = 100;
       },
       {},
       same},
      {"large volumes close together accepted",
       [](Settings& s) {
         s.audio.musicVol = 500;
         s.audio.soundVol = 450;
       },
       {},
       same},
      {"extreme volumes do not overflow the difference",
       [](Settings& s) {
         s.audio.musicVol = INT_MIN;
         s.audio.soundVol = INT_MAX;
       },
       {"!![App] unacceptable delta between sound & music volume. Defaulting to 60 & 40"},
       [](Settings& s) {
         s.audio.musicVol = 40;
         s.audio.soundVol = 60;
       }},
      {"extreme volumes the other way",
       [](Settings& s) {
         s.audio.musicVol = INT_MAX;
         s.audio.soundVol = INT_MIN;
       },
       {"!![App] unacceptable delta between sound & music volume. Defaulting to 60 & 40"},
       [](Settings& s) {
         s.audio.musicVol = 40;
         s.audio.soundVol = 60;
       }},
      {"fade-in too short",
       [](Settings& s) { s.audio.musicFadeIn = 0.05f; },
       {"!![App] requesting music fadein time: 0.05, which is impossible; defaulting to 2"},
       [](Settings& s) { s.audio.musicFadeIn = 2.0f; }},
      {"fade-in too long",
       [](Settings& s) { s.audio.musicFadeIn = 30.5f; },
       {"!![App] requesting music fadein time: 30.5, which is impossible; defaulting to 2"},
       [](Settings& s) { s.audio.musicFadeIn = 2.0f; }},
      {"fade-in not a number",
       [](Settings& s) { s.audio.musicFadeIn = std::nanf(""); },
       {"!![App] requesting music fadein time: nan, which is impossible; defaulting to 2"},
       [](Settings& s) { s.audio.musicFadeIn = 2.0f; }},
      {"fade-in 0.1 and fade-out 30 accepted",
       [](Settings& s) {
         s.audio.musicFadeIn = 0.1f;
         s.audio.musicFadeOut = 30.0f;
       },
       {},
       same},
      {"fade-in 30 and fade-out 0.1 accepted",
       [](Settings& s) {
         s.audio.musicFadeIn = 30.0f;
         s.audio.musicFadeOut = 0.1f;
       },
       {},
       same},
      {"fade-out too long",
       [](Settings& s) { s.audio.musicFadeOut = 31.0f; },
       {"!![App] requesting music fadeout time: 31, which is impossible; defaulting to 2"},
       [](Settings& s) { s.audio.musicFadeOut = 2.0f; }},
      {"musicRestart is never tested", [](Settings& s) { s.audio.musicRestart = -5.0f; }, {}, same},
      {"audio off ends validation",
       [](Settings& s) {
         s.audio.active = false;
         s.audio.frequency = 0;
         s.audio.voices = 0;
         s.audio.musicVol = 0;
         s.audio.soundVol = 1000;
         s.audio.musicFadeIn = 0.0f;
       },
       {},
       same},
  };
  for (const ValidationRow& row : rows) {
    SCOPED_TRACE(row.name);
    Settings s;
    row.request(s);
    Settings expected = s;
    row.result(expected);
    EXPECT_EQ(reports(validate(s, row.widestWidth, row.widestHeight)), row.lines);
    EXPECT_EQ(s.written(), expected.written());
  }
}

// Every check at once: each report stands at its step, between the same echoes.
TEST(ConfigValidation, EachReportStandsAtItsStepAmongTheEchoes) {
  struct Row {
    const char* name;
    std::function<void(Settings&)> request;
    int widestWidth, widestHeight;
    std::string log;
  };
  const Row rows[] = {
      {"every value rejected",
       [](Settings& s) {
         s.app.fps = 0;
         s.app.pps = 0;
         s.app.mouseSpeed = 0;
         s.app.logTo = "printer";
         s.video.width = 19;
         s.video.minWidth = 19;
         s.video.antialias = 3;
         s.audio.frequency = 0;
         s.audio.buffer = 0;
         s.audio.voices = 0;
         s.audio.musicVol = 0;
         s.audio.soundVol = 101;
         s.audio.musicFadeIn = 0.0f;
         s.audio.musicFadeOut = 0.0f;
       },
       640, 480,
       "[App] requesting dualThread: false...\n"
       "[App] requesting turbo: false...\n"
       "[App] requesting fps: 0, which is impossible; defaulting to 60\n"
       "[App] requesting pps: 0, which is impossible; defaulting to 120\n"
       "[App] requesting mouseSpeed: 0, which is impossible; defaulting to 40\n"
       "[App] logTo can only be console/file/none; defaulting to console\n"
       "[App] requesting resizable: true...\n"
       "[App] requesting viewportStretch: false...\n"
       "[App] requesting vSync: false...\n"
       "!![App] requesting video: 19x600, which is impossible; defaulting to 800x600\n"
       "!![App] requesting video: 800x600, which is impossible; defaulting to 640x480\n"
       "!![App] requesting min window size: 19x200, which is impossible; defaulting to 320x200\n"
       "[App] requesting fullscreen: false...\n"
       "!![App] requesting antialias: 3, which is impossible; defaulting to 0\n"
       "[App] requesting anisotropic: false...\n"
       "[App] requesting stencil buffer: false...\n"
       "[App] requesting audio system: true...\n"
       "!![App] requesting audio frequency: 0, which is impossible; defaulting to 44100\n"
       "!![App] requesting audio buffer: 0, which is impossible; defaulting to 1024\n"
       "[App] requesting stereo audio: true...\n"
       "!![App] requesting audio voices: 0, which is impossible; defaulting to 8\n"
       "!![App] unacceptable delta between sound & music volume. Defaulting to 60 & 40\n"
       "[App] requesting music fade: false...\n"
       "[App] requesting music cycling: false...\n"
       "!![App] requesting music fadein time: 0, which is impossible; defaulting to 2\n"
       "!![App] requesting music fadeout time: 0, which is impossible; defaulting to 2\n"},
      {"pps rejected, then below the accepted fps",
       [](Settings& s) {
         s.app.fps = 200;
         s.app.pps = 0;
         s.app.mouseSpeed = 101;
       },
       1920, 1080,
       appEchoes +
           "[App] requesting pps: 0, which is impossible; defaulting to 120\n"
           "[App] requesting pps<fps in single thread mode, which is impossible; fixing\n"
           "[App] requesting mouseSpeed: 101, which is impossible; defaulting to 40\n" +
           laterEchoes},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Settings s;
    row.request(s);
    EXPECT_EQ(validate(s, row.widestWidth, row.widestHeight), row.log);
  }
}

TEST(ConfigValidation, AudioOffEchoesNothingAfterTheAudioSystem) {
  Settings s;
  s.audio.active = false;
  const std::string log = validate(s);
  const std::string last = "[App] requesting audio system: false...\n";
  ASSERT_GE(log.size(), last.size());
  EXPECT_EQ(log.substr(log.size() - last.size()), last);
}

}  // namespace
