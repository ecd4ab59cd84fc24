#include "kettar/config_file.h"

#include <fstream>
#include <ostream>
#include <sstream>

#include "kettar/platform/replace_file.h"

namespace Kettar {

bool loadConfig(const std::string& path, std::ostream& log, AppConfig& app, VideoConfig& video,
                AudioConfig& audio) {
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) {
    log << "!![App] cannot open " << path << '\n';
    return false;
  }
  const bool read = readConfig(in, app, video, audio);
  if (read)
    log << "Using configuration file: " << path << '\n';
  else
    log << "!![App] error parsing " << path << '\n';
  return read;
}

bool saveConfig(const std::string& path, const AppConfig& app, const VideoConfig& video,
                const AudioConfig& audio) {
  std::ostringstream text;
  writeConfig(text, app, video, audio);
  return replaceFile(path, text.str());
}

}  // namespace Kettar
