#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <variant>
#include <vector>

namespace Kettar {

// The three settings records; their names are also the names of the sections of the
// configuration file. A default-constructed record holds the framework's defaults.

struct AppConfig {
  bool dualThread = false;  // physics on a thread of its own
  bool turbo = false;       // spinning main loop instead of the sleeping one
  int fps = 60;             // frame period is 1/fps
  int pps = 120;            // physics period is 1/pps
  int mouseSpeed = 40;      // scale of relative mouse motion
  // At most kMaxConfigTextLength characters; "console", "file" or "none" once validated.
  std::string logTo = "console";
};

struct VideoConfig {
  bool resizable = true;
  bool stretchOnResize = false;  // the viewport keeps its aspect and field of view on resize
  bool vsync = false;
  int width = 800;  // window size in pixels
  int height = 600;
  int minWidth = 320;  // smallest window size; validated and saved, not enforced
  int minHeight = 200;
  bool fullScreen = false;
  int antialias = 0;  // multisample count, 0 for none
  bool anisotropic = false;
  bool stencil = false;  // 8-bit stencil buffer
};

struct AudioConfig {
  bool active = true;         // audio on at all
  int frequency = 44100;      // output rate in Hz
  int buffer = 1024;          // output buffer in samples
  bool stereo = true;         // two channels, else one
  int voices = 8;             // mixing channels to allocate
  int musicVol = 40;          // per cent; the mixer writes its own volume back here
  int soundVol = 60;          // per cent; likewise
  bool fade = false;          // music fades in and out
  bool cycle = false;         // the framework restarts music when a track ends
  float musicRestart = 1.0f;  // seconds before music restarts; never validated
  float musicFadeIn = 2.0f;   // seconds
  float musicFadeOut = 2.0f;  // seconds
};

// A text value keeps this many characters at most (the rest of its word is dropped).
constexpr std::size_t kMaxConfigTextLength = 49;

// One key of a section: its name and the field it reads and writes (whose type is the key's).
template <typename Record>
struct ConfigKey {
  const char* name;
  std::variant<int Record::*, float Record::*, bool Record::*, std::string Record::*> field;
};

// The key tables, built on first use; their order is the written order of the keys.
const std::vector<ConfigKey<AppConfig>>& appConfigKeys();
const std::vector<ConfigKey<VideoConfig>>& videoConfigKeys();
const std::vector<ConfigKey<AudioConfig>>& audioConfigKeys();

// Reads one section into the record when the next word of the stream is the section's name,
// else leaves the stream where it was. Returns true when the name was found, however the
// section ended. A value that cannot be read leaves its field unchanged and the stream failed.
bool readSection(std::istream& in, AppConfig& config);
bool readSection(std::istream& in, VideoConfig& config);
bool readSection(std::istream& in, AudioConfig& config);

// Writes one section: an empty line, the name, "{", "  key = value" lines, "}", an empty line.
void writeSection(std::ostream& out, const AppConfig& config);
void writeSection(std::ostream& out, const VideoConfig& config);
void writeSection(std::ostream& out, const AudioConfig& config);

// Reads the sections AppConfig, VideoConfig and AudioConfig, in this order, into the records.
// Returns true when at least one of them was found (the configuration-read flag).
bool readConfig(std::istream& in, AppConfig& app, VideoConfig& video, AudioConfig& audio);

// Writes the three sections in the order AppConfig, VideoConfig, AudioConfig.
void writeConfig(std::ostream& out, const AppConfig& app, const VideoConfig& video,
                 const AudioConfig& audio);

// Tests every setting in a fixed order, echoes the booleans and reports and replaces each
// rejected value on log. The widest fullscreen mode bounds the window size; a widest width or
// height of 0 or less means no mode is known, and then the size has no upper bound.
void validateConfig(std::ostream& log, AppConfig& app, VideoConfig& video, AudioConfig& audio,
                    const AppConfig& appDefaults, const VideoConfig& videoDefaults,
                    const AudioConfig& audioDefaults, int widestWidth, int widestHeight);

}  // namespace Kettar
