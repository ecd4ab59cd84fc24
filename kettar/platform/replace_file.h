#pragma once

#include <string>

namespace Kettar {

// Replaces the file at path with contents as one step: the bytes go to a temporary file beside
// it, reach the disk, and are then renamed over it. A crash or a failed write never leaves a
// truncated file; on failure the file is untouched, the temporary is removed and the result is
// false.
// On Linux a symbolic link at path stays a link: the file it leads to is the one replaced
// (its temporary beside it); Windows replaces the link itself. An existing file the process may not write stays as it is, with the
// result false, even where its folder would let a rename replace it. The replacement keeps
// the old file's permissions and, where the process may give it, its owner.
bool replaceFile(const std::string& path, const std::string& contents);

}  // namespace Kettar
