#pragma once
// The folder of the running program; every data, configuration and log path starts from it.

#include <ostream>
#include <string>

namespace Kettar {

// The readlink buffer: a link of this many bytes or more did not fit.
constexpr long kProgramPathBufferSize = 200;

// What the program directory is, given the buffer and the result of readlink on the
// program's own link: the text up to and with its last "/", empty without one. A negative
// result and a full buffer write their message to log and give an empty and a cut path;
// buffer holds at least kProgramPathBufferSize bytes when result reaches that size.
std::string programDirectoryFromLink(const char* buffer, long result, std::ostream& log);

// Linux reads the link "/proc/self/exe" through programDirectoryFromLink; Windows cuts
// the executable module's path (program_directory_windows.h).
std::string readProgramDirectory(std::ostream& log);

// The directory of the running program with a trailing "/" ("\" on Windows), set before main runs;
// empty when it could not be read (paths then start from the working directory).
extern const std::string executableDirectory;

}  // namespace Kettar
