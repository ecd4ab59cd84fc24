#pragma once

#include <iosfwd>
#include <string>

#include "kettar/app_config.h"

namespace Kettar {

// Reads the configuration file at path into the records (settings the file does not give keep
// their values) and writes one line on log: "Using configuration file: " + path when at least
// one section was found, "!![App] error parsing " + path when none was, "!![App] cannot open "
// + path when the file cannot be opened. Returns true when at least one section was found.
bool loadConfig(const std::string& path, std::ostream& log, AppConfig& app, VideoConfig& video,
                AudioConfig& audio);

// Writes the records to the file at path in the written form of writeConfig, through replaceFile.
// Returns false when it cannot be written: the old file is then as it was, unless it had to be
// written in place (replaceFile says when), where a failed write leaves it cut short.
bool saveConfig(const std::string& path, const AppConfig& app, const VideoConfig& video,
                const AudioConfig& audio);

}  // namespace Kettar
