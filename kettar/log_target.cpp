#include "kettar/log_target.h"

namespace Kettar {

LogTarget::LogTarget(std::ostream& stream) : stream_(stream) {}

LogTarget::~LogTarget() {
  if (console_ != nullptr) {
    stream_.flush();
    stream_.rdbuf(console_);
  }
}

void LogTarget::apply(const std::string& logTo, const std::string& directory) {
  if (console_ == nullptr) console_ = stream_.rdbuf();
  if (logTo == "file") {
    if (!file_.is_open()) file_.open(directory + kFileName, std::ios::out | std::ios::trunc);
    stream_.flush();
    // A file that could not be opened still takes the lines; they are lost.
    stream_.rdbuf(file_.rdbuf());
  } else if (logTo == "none") {
    stream_.flush();
    stream_.rdbuf(nullptr);
  } else if (logTo == "console") {
    stream_.flush();
    stream_.rdbuf(console_);
  }
}

}  // namespace Kettar
