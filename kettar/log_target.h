#pragma once
// Where the log goes: every log line of the program is written to one stream (the
// standard output), and this switch points that stream at the console, at
// logfile.txt in the program directory, or nowhere.

#include <fstream>
#include <ostream>
#include <streambuf>
#include <string>

namespace Kettar {

class LogTarget {
 public:
  explicit LogTarget(std::ostream& stream);
  // Gives the stream its console buffer back, so it never writes into a closed file.
  ~LogTarget();
  LogTarget(const LogTarget&) = delete;
  LogTarget& operator=(const LogTarget&) = delete;

  // "console", "file" (directory + "logfile.txt", truncated when first opened and kept
  // open for later calls) or "none"; any other text leaves the target as it is.
  void apply(const std::string& logTo, const std::string& directory);

  static constexpr const char* kFileName = "logfile.txt";

 private:
  std::ostream& stream_;
  std::ofstream file_;                // opened by the first "file" target; may have failed
  std::streambuf* console_ = nullptr;  // the stream's own buffer; null until the first apply
};

}  // namespace Kettar
