#include "kettar/kettar_app.h"

#include <algorithm>
#include <iostream>

#include "kettar/config_file.h"
#include "kettar/engine.h"
#include "kettar/mixer.h"
#include "kettar/platform/app_platform.h"
#include "kettar/texture_manager.h"
#include "kettar/viewport.h"

namespace Kettar {

const char* const kVersion = "1.0-r7";

std::string bannerText(const std::string& backendName, const std::string& directory) {
  return "This is " + backendName + "Kettar " + kVersion + ", compiled on " + __DATE__ + "\n" +
         bannerBuildLine() + "Running in " + directory + "\n";
}

KettarApp::KettarApp() : logTarget_(std::cout) {}

void KettarApp::forceConfig() { std::cout << "[App] No config values will be forced" << std::endl; }

void KettarApp::loadConfigHook() {}

void KettarApp::start() {
  appConfig.logTo = appDefaults.logTo;
  applyLogTarget();
  std::cout << bannerText(backendName(), executableDirectory) << std::flush;
  restoreDefaults();
  loadConfigHook();
  applyLogTarget();
  if (configRead) validateConfig();
  forceConfig();
  limitWindowRequest(videoConfig, std::cout);
}

void KettarApp::applyLogTarget() { logTarget_.apply(appConfig.logTo, executableDirectory); }

void KettarApp::restoreDefaults() {
  appConfig = appDefaults;
  videoConfig = videoDefaults;
  audioConfig = audioDefaults;
  applyLogTarget();
}

void KettarApp::startSubsystems() {
  musicFinished = userEventPusher();
  if (mixer == nullptr) mixer = new Mixer(&audioConfig, musicFinished);
  currentMixer = mixer;
  createTextureManager(engine != nullptr ? engine->anisotropy : 1.0f);
  viewport.stretch = videoConfig.stretchOnResize;
  viewport.aspect =
      static_cast<float>(videoConfig.width) / static_cast<float>(std::max(videoConfig.height, 1));
  viewport.resize(videoConfig.width, videoConfig.height);
}

void KettarApp::stopSubsystems() {
  if (mixer != nullptr) {
    delete mixer;
    mixer = nullptr;
    currentMixer = nullptr;
  }
  destroyTextureManager();
}

void KettarApp::validateConfig() {
  Kettar::validateConfig(std::cout, appConfig, videoConfig, audioConfig, appDefaults, videoDefaults,
                         audioDefaults, widestWidth, widestHeight);
}

void KettarApp::loadConfig(const std::string& path) {
  configRead = Kettar::loadConfig(path, std::cout, appConfig, videoConfig, audioConfig);
}

// A save that fails loses the settings of this run (written in place, the old ones too): the
// player is told, though the program ends as it would have.
void KettarApp::saveConfig(const std::string& path) {
  if (!Kettar::saveConfig(path, appConfig, videoConfig, audioConfig))
    std::cout << "!![App] cannot write " << path << std::endl;
}

void KettarApp::readConfig(std::istream& in) {
  configRead = Kettar::readConfig(in, appConfig, videoConfig, audioConfig);
}

void KettarApp::writeConfig(std::ostream& out) {
  Kettar::writeConfig(out, appConfig, videoConfig, audioConfig);
}

}  // namespace Kettar
