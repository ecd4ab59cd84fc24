#include "kettar/platform/program_directory.h"

#include <unistd.h>

#include <iostream>

namespace Kettar {

std::string programDirectoryFromLink(const char* buffer, long result, std::ostream& log) {
  if (result < 0) {
    log << "Error resolving symlink /proc/self/exe.\n";
    return std::string();
  }
  std::string path;
  if (result >= kProgramPathBufferSize) {
    log << "Path too long. Truncated.\n";
    path.assign(buffer, kProgramPathBufferSize - 1);
  } else {
    path.assign(buffer, static_cast<std::size_t>(result));
  }
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  path.resize(slash + 1);
  return path;
}

std::string readProgramDirectory(std::ostream& log) {
  char buffer[kProgramPathBufferSize];
  const long result = static_cast<long>(readlink("/proc/self/exe", buffer, sizeof buffer));
  return programDirectoryFromLink(buffer, result, log);
}

const std::string executableDirectory = readProgramDirectory(std::cout);

}  // namespace Kettar
