#pragma once

#include <string>

namespace Kettar {

// Replaces the file at path with contents; false when they could not all be written.
// Where it can, as one step: the bytes go to a temporary file beside it, reach the disk, and are
// then renamed over it, so a crash or a failed write leaves the old file whole (and a failed
// write no temporary). The temporary is made under a name no file has yet (temporaryName), so no
// file of the user's is ever written through, and only its owner may open it until it has the
// old file's mode.
// Where the rename would change the file in a way its user did not ask for (it has other hard
// links, which the rename would cut off, or its owner or group is one this user may not give a
// file), or where no temporary can be made beside it (a folder the user may not write, every
// temporary name taken), the file is truncated and written in place instead: there a crash or a
// failed write (a full disk) leaves it cut short, the old contents lost.
// On Linux a symbolic link at path stays a link: the file it leads to is the one replaced
// (its temporary beside it); Windows replaces the link itself. An existing file the process may
// not write (as the system grants it: mode, owner, read-only attribute, security) stays as it is,
// with the result false, even where its folder would let a rename replace it. The replacement
// keeps the old file's permissions, owner and group; on Windows its attributes and security.
bool replaceFile(const std::string& path, const std::string& contents);

// The names tried for the temporary beside file, in order: file + ".tmp", then file + ".1.tmp",
// file + ".2.tmp", ... up to kTemporaryNames of them.
constexpr int kTemporaryNames = 100;
inline std::string temporaryName(const std::string& file, int n) {
  return n == 0 ? file + ".tmp" : file + "." + std::to_string(n) + ".tmp";
}

}  // namespace Kettar
