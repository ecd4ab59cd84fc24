#include "kettar/platform/program_directory.h"
#include "kettar/platform/program_directory_windows.h"

#include <windows.h>

#include <iostream>
#include <vector>

namespace Kettar {

std::string programDirectoryFromModulePath(const std::string& path) {
  const std::size_t backslash = path.rfind('\\');
  if (backslash == std::string::npos) return std::string();
  return path.substr(0, backslash + 1);
}

// Windows has no message for this: a path it cannot give leaves the directory
// empty, and paths start from the working directory.
std::string readProgramDirectory(std::ostream&) {
  // The longest path Windows allows, so the module's path is never cut.
  std::vector<char> buffer(32768);
  const DWORD size = static_cast<DWORD>(buffer.size());
  const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), size);
  if (length == 0 || length >= size) return std::string();
  return programDirectoryFromModulePath(std::string(buffer.data(), length));
}

const std::string executableDirectory = readProgramDirectory(std::cout);

}  // namespace Kettar
