#include "kettar/app_config.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <istream>
#include <ostream>
#include <sstream>

namespace Kettar {

const std::vector<ConfigKey<AppConfig>>& appConfigKeys() {
  static const std::vector<ConfigKey<AppConfig>> keys = {
      {"dualThread", &AppConfig::dualThread},
      {"turbo", &AppConfig::turbo},
      {"fps", &AppConfig::fps},
      {"pps", &AppConfig::pps},
      {"mouseSpeed", &AppConfig::mouseSpeed},
      {"logTo", &AppConfig::logTo},
  };
  return keys;
}

const std::vector<ConfigKey<VideoConfig>>& videoConfigKeys() {
  static const std::vector<ConfigKey<VideoConfig>> keys = {
      {"resizable", &VideoConfig::resizable}, {"stretchOnResize", &VideoConfig::stretchOnResize},
      {"vsync", &VideoConfig::vsync},         {"width", &VideoConfig::width},
      {"height", &VideoConfig::height},       {"minWidth", &VideoConfig::minWidth},
      {"minHeight", &VideoConfig::minHeight}, {"fullScreen", &VideoConfig::fullScreen},
      {"antialias", &VideoConfig::antialias}, {"anisotropic", &VideoConfig::anisotropic},
      {"stencil", &VideoConfig::stencil},
  };
  return keys;
}

const std::vector<ConfigKey<AudioConfig>>& audioConfigKeys() {
  static const std::vector<ConfigKey<AudioConfig>> keys = {
      {"active", &AudioConfig::active},
      {"frequency", &AudioConfig::frequency},
      {"buffer", &AudioConfig::buffer},
      {"stereo", &AudioConfig::stereo},
      {"voices", &AudioConfig::voices},
      {"musicVol", &AudioConfig::musicVol},
      {"soundVol", &AudioConfig::soundVol},
      {"fade", &AudioConfig::fade},
      {"cycle", &AudioConfig::cycle},
      {"musicRestart", &AudioConfig::musicRestart},
      {"musicFadeIn", &AudioConfig::musicFadeIn},
      {"musicFadeOut", &AudioConfig::musicFadeOut},
  };
  return keys;
}

namespace {

// Every value is read into a temporary first: a stream that fails to extract writes 0 or a
// clamped number into its target, and a bad value must leave the field as it was.
bool readValue(std::istream& in, int& field) {
  int value = 0;
  if (!(in >> value)) return false;
  field = value;
  return true;
}

bool readValue(std::istream& in, float& field) {
  float value = 0.0f;
  if (!(in >> value)) return false;
  field = value;
  return true;
}

bool readValue(std::istream& in, bool& field) {
  std::string word;
  if (!(in >> word)) return false;
  if (word != "true" && word != "false") {
    in.setstate(std::ios::failbit);
    return false;
  }
  field = word == "true";
  return true;
}

bool readValue(std::istream& in, std::string& field) {
  std::string word;
  if (!(in >> word)) return false;
  field = word.substr(0, kMaxConfigTextLength);
  return true;
}

template <typename Record>
bool readSectionOf(std::istream& in, const char* name, const std::vector<ConfigKey<Record>>& keys,
                   Record& config) {
  if (!in) return false;
  const std::istream::pos_type start = in.tellg();
  std::string word;
  if (!(in >> word)) return false;
  if (word != name) {
    // The word belongs to whichever reader comes next.
    in.clear(in.rdstate() & ~std::ios::eofbit);
    in.seekg(start);
    return false;
  }
  in >> word;  // the opening brace, whatever it is

  for (;;) {
    const int c = in.get();
    if (c == std::istream::traits_type::eof() || c == '}') break;
    if (c == ' ' || c == '\n') continue;
    in.unget();
    std::string text;
    std::getline(in, text, '=');
    std::string key;
    std::istringstream(text) >> key;

    const ConfigKey<Record>* found = nullptr;
    for (const ConfigKey<Record>& entry : keys) {
      if (key == entry.name) {
        found = &entry;
        break;
      }
    }
    // The format has no comments: a line without a known key ends the section.
    if (!found) break;
    const bool read =
        std::visit([&](auto member) { return readValue(in, config.*member); }, found->field);
    if (!read) break;
  }
  return true;
}

std::string formatReal(float value, const char* format) {
  char text[64];
  std::snprintf(text, sizeof text, format, static_cast<double>(value));
  return text;
}

std::string writtenValue(int value) { return std::to_string(value); }
std::string writtenValue(bool value) { return value ? "true" : "false"; }
std::string writtenValue(const std::string& value) { return value; }
// Six significant digits with the decimal point always shown: 1.0 is written 1.00000.
std::string writtenValue(float value) { return formatReal(value, "%#g"); }

template <typename Record>
void writeSectionOf(std::ostream& out, const char* name, const std::vector<ConfigKey<Record>>& keys,
                    const Record& config) {
  std::string text = "\n";
  text += name;
  text += "\n{\n";
  for (const ConfigKey<Record>& entry : keys) {
    text += "  ";
    text += entry.name;
    text += " = ";
    text += std::visit([&](auto member) { return writtenValue(config.*member); }, entry.field);
    text += '\n';
  }
  text += "}\n\n";
  out << text;
}

// How validation shows a value: reals without trailing zeros, booleans as words.
std::string shown(int value) { return std::to_string(value); }
std::string shown(bool value) { return value ? "true" : "false"; }
std::string shown(float value) { return formatReal(value, "%g"); }

bool outside(int value, int low, int high) { return value < low || value > high; }
// Written so that a NaN is outside too.
bool outside(float value, float low, float high) { return !(value >= low && value <= high); }

}  // namespace

bool readSection(std::istream& in, AppConfig& config) {
  return readSectionOf(in, "AppConfig", appConfigKeys(), config);
}
bool readSection(std::istream& in, VideoConfig& config) {
  return readSectionOf(in, "VideoConfig", videoConfigKeys(), config);
}
bool readSection(std::istream& in, AudioConfig& config) {
  return readSectionOf(in, "AudioConfig", audioConfigKeys(), config);
}

void writeSection(std::ostream& out, const AppConfig& config) {
  writeSectionOf(out, "AppConfig", appConfigKeys(), config);
}
void writeSection(std::ostream& out, const VideoConfig& config) {
  writeSectionOf(out, "VideoConfig", videoConfigKeys(), config);
}
void writeSection(std::ostream& out, const AudioConfig& config) {
  writeSectionOf(out, "AudioConfig", audioConfigKeys(), config);
}

bool readConfig(std::istream& in, AppConfig& app, VideoConfig& video, AudioConfig& audio) {
  // Each reader runs once, in file order, even when an earlier one found nothing.
  const bool appRead = readSection(in, app);
  const bool videoRead = readSection(in, video);
  const bool audioRead = readSection(in, audio);
  return appRead || videoRead || audioRead;
}

void writeConfig(std::ostream& out, const AppConfig& app, const VideoConfig& video,
                 const AudioConfig& audio) {
  writeSection(out, app);
  writeSection(out, video);
  writeSection(out, audio);
}

void validateConfig(std::ostream& log, AppConfig& app, VideoConfig& video, AudioConfig& audio,
                    const AppConfig& appDefaults, const VideoConfig& videoDefaults,
                    const AudioConfig& audioDefaults, int widestWidth, int widestHeight) {
  const auto echo = [&log](const char* what, bool value) {
    log << "[App] requesting " << what << ": " << shown(value) << "...\n";
  };
  const auto impossible = [&log](const char* prefix, auto value, auto fallback) {
    log << prefix << shown(value) << ", which is impossible; defaulting to " << shown(fallback)
        << '\n';
  };
  // Without a known fullscreen mode the window size has no upper bound.
  const bool widestKnown = widestWidth > 0 && widestHeight > 0;

  echo("dualThread", app.dualThread);
  echo("turbo", app.turbo);
  if (outside(app.fps, 1, 1000)) {
    impossible("[App] requesting fps: ", app.fps, appDefaults.fps);
    app.fps = appDefaults.fps;
  }
  if (outside(app.pps, 1, 10000)) {
    impossible("[App] requesting pps: ", app.pps, appDefaults.pps);
    app.pps = appDefaults.pps;
  }
  if (app.pps < app.fps && !app.dualThread) {
    log << "[App] requesting pps<fps in single thread mode, which is impossible; fixing\n";
    app.pps = app.fps;
  }
  if (outside(app.mouseSpeed, 1, 100)) {
    impossible("[App] requesting mouseSpeed: ", app.mouseSpeed, appDefaults.mouseSpeed);
    app.mouseSpeed = appDefaults.mouseSpeed;
  }
  if (app.logTo != "console" && app.logTo != "file" && app.logTo != "none") {
    log << "[App] logTo can only be console/file/none; defaulting to console\n";
    app.logTo = appDefaults.logTo;
  }

  echo("resizable", video.resizable);
  echo("viewportStretch", video.stretchOnResize);
  echo("vSync", video.vsync);
  if (video.width < 20 || video.height < 20) {
    log << "!![App] requesting video: " << video.width << "x" << video.height
        << ", which is impossible; defaulting to " << videoDefaults.width << "x"
        << videoDefaults.height << '\n';
    video.width = videoDefaults.width;
    video.height = videoDefaults.height;
  }
  if (widestKnown && (video.width > widestWidth || video.height > widestHeight)) {
    log << "!![App] requesting video: " << video.width << "x" << video.height
        << ", which is impossible; defaulting to " << widestWidth << "x" << widestHeight << '\n';
    video.width = widestWidth;
    video.height = widestHeight;
  }
  if (video.minWidth < 20 || video.minHeight < 20 ||
      (widestKnown && (video.minWidth > widestWidth || video.minHeight > widestHeight))) {
    log << "!![App] requesting min window size: " << video.minWidth << "x" << video.minHeight
        << ", which is impossible; defaulting to " << videoDefaults.minWidth << "x"
        << videoDefaults.minHeight << '\n';
    video.minWidth = videoDefaults.minWidth;
    video.minHeight = videoDefaults.minHeight;
  }
  echo("fullscreen", video.fullScreen);
  switch (video.antialias) {
    case 0:
    case 1:
    case 2:
    case 4:
    case 8:
    case 16:
    case 32:
    case 64:
      break;
    default:
      impossible("!![App] requesting antialias: ", video.antialias, videoDefaults.antialias);
      video.antialias = videoDefaults.antialias;
  }
  echo("anisotropic", video.anisotropic);
  echo("stencil buffer", video.stencil);

  echo("audio system", audio.active);
  if (!audio.active) return;
  if (outside(audio.frequency, 11025, 48000)) {
    impossible("!![App] requesting audio frequency: ", audio.frequency, audioDefaults.frequency);
    audio.frequency = audioDefaults.frequency;
  }
  if (outside(audio.buffer, 64, 8192)) {
    impossible("!![App] requesting audio buffer: ", audio.buffer, audioDefaults.buffer);
    audio.buffer = audioDefaults.buffer;
  }
  echo("stereo audio", audio.stereo);
  if (outside(audio.voices, 1, 64)) {
    impossible("!![App] requesting audio voices: ", audio.voices, audioDefaults.voices);
    audio.voices = audioDefaults.voices;
  }
  // In 64 bits: the difference of two extreme 32-bit volumes does not fit in 32.
  if (std::llabs(static_cast<std::int64_t>(audio.soundVol) - audio.musicVol) > 100) {
    log << "!![App] unacceptable delta between sound & music volume. Defaulting to "
        << audioDefaults.soundVol << " & " << audioDefaults.musicVol << '\n';
    audio.soundVol = audioDefaults.soundVol;
    audio.musicVol = audioDefaults.musicVol;
  }
  echo("music fade", audio.fade);
  echo("music cycling", audio.cycle);
  if (outside(audio.musicFadeIn, 0.1f, 30.0f)) {
    impossible("!![App] requesting music fadein time: ", audio.musicFadeIn,
               audioDefaults.musicFadeIn);
    audio.musicFadeIn = audioDefaults.musicFadeIn;
  }
  if (outside(audio.musicFadeOut, 0.1f, 30.0f)) {
    impossible("!![App] requesting music fadeout time: ", audio.musicFadeOut,
               audioDefaults.musicFadeOut);
    audio.musicFadeOut = audioDefaults.musicFadeOut;
  }
}

}  // namespace Kettar
