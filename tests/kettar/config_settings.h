#pragma once

#include <sstream>
#include <string>

#include "kettar/app_config.h"

// The three records together, compared through their written form so that a failing test
// shows every setting.
struct Settings {
  Kettar::AppConfig app;
  Kettar::VideoConfig video;
  Kettar::AudioConfig audio;

  std::string written() const {
    std::ostringstream out;
    Kettar::writeConfig(out, app, video, audio);
    return out.str();
  }
};
