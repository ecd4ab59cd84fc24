#pragma once

#include <string>

namespace Kettar {

// Replaces the file at path with contents as one step: the bytes go to path + ".tmp" in the
// same folder, reach the disk, and are then renamed over path. A crash or a failed write never
// leaves a truncated file at path; on failure path is untouched, the temporary is removed and
// the result is false.
bool replaceFile(const std::string& path, const std::string& contents);

}  // namespace Kettar
