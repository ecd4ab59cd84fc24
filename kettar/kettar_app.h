#pragma once
// The application base: the settings (requested and defaults), the log target, the
// configuration file and the hooks that a game overrides.

#include <iosfwd>
#include <string>

#include "kettar/app_config.h"
#include "kettar/callback_interface.h"
#include "kettar/log_target.h"
#include "kettar/platform/program_directory.h"

namespace Kettar {

// The form of SDL_mixer's music-finished hook.
using UserEventPusher = void (*)();

// The framework's version, shown in the banner.
extern const char* const kVersion;

// The three banner lines: "This is " + backend + "Kettar " + version + ", compiled on " +
// build date; "Release build"; "Running in " + directory.
std::string bannerText(const std::string& backendName, const std::string& directory);

class KettarApp : public CallbackInterface {
 public:
  KettarApp();

  virtual void toggleFullscreen() = 0;
  virtual void showCursor(bool hide) = 0;
  // The game's start, once the engine and the subsystems exist; false ends the program.
  virtual bool init() = 0;
  // The game's end, called last, after SDL has stopped.
  virtual void shutdown() = 0;
  virtual std::string backendName() = 0;
  virtual UserEventPusher userEventPusher() = 0;
  virtual void forceConfig();
  // Where a game reads its configuration file (through loadConfig).
  virtual void loadConfigHook();

  // Banner, settings from defaults and file, validation and forced values.
  void start();
  void applyLogTarget();
  void restoreDefaults();
  // The single place where the subsystems that live between engine start-up and the end
  // of the main loop are created and destroyed.
  void startSubsystems();
  void stopSubsystems();

  void validateConfig();
  void loadConfig(const std::string& path);
  // Writes "!![App] cannot write " + path when the settings could not be written.
  void saveConfig(const std::string& path);
  void readConfig(std::istream& in);
  void writeConfig(std::ostream& out);

  int widestWidth = 0;  // the widest fullscreen mode, measured before start; 0 when none is known
  int widestHeight = 0;
  AppConfig appConfig;  // the settings in force
  AppConfig appDefaults;  // never changed after construction
  VideoConfig videoConfig;
  VideoConfig videoDefaults;
  AudioConfig audioConfig;
  AudioConfig audioDefaults;
  bool configRead = false;  // the last loadConfig or readConfig found at least one section
  UserEventPusher musicFinished = nullptr;  // set by startSubsystems from userEventPusher

 protected:
  ~KettarApp() = default;

 private:
  LogTarget logTarget_;  // declared last: the standard output is handed back before anything else goes
};

}  // namespace Kettar
