#pragma once
// The Windows form of the program directory: from the executable module's path.

#include <string>

namespace Kettar {

// The text of a module path up to and with its last "\", empty without one.
std::string programDirectoryFromModulePath(const std::string& path);

}  // namespace Kettar
