#include "kettar/platform/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>

namespace Kettar {

namespace {

bool writeAll(int fd, const std::string& contents) {
  const char* data = contents.data();
  std::size_t left = contents.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, data, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  return true;
}

// The rename is only durable once the folder's entry is on disk too; a folder that cannot be
// opened or synced does not undo a completed replacement.
void syncFolderOf(const std::string& path) {
  const std::string::size_type slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Links followed before a chain is taken for a loop, as the kernel does.
constexpr int kMaxLinks = 40;

// The file path leads to once every symbolic link at its end is followed (a link's relative
// target is taken from the link's folder); path itself when it is no link or does not exist.
// Empty for a loop or a link that cannot be read.
std::string finalTarget(std::string path) {
  for (int hop = 0; hop < kMaxLinks; ++hop) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char target[PATH_MAX];
    const ssize_t length = ::readlink(path.c_str(), target, sizeof target);
    if (length <= 0 || length == static_cast<ssize_t>(sizeof target)) return std::string();
    std::string next(target, static_cast<std::size_t>(length));
    const std::string::size_type slash = path.rfind('/');
    if (next[0] != '/' && slash != std::string::npos) next = path.substr(0, slash + 1) + next;
    path = next;
  }
  return std::string();
}

// Truncates the file and writes it again where it is, keeping its owner, its links and its
// permissions.
bool writeInPlace(const std::string& file, const std::string& contents) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  const bool ok = writeAll(fd, contents) && ::fsync(fd) == 0;
  return ::close(fd) == 0 && ok;
}

// Creates the first temporary name beside file that no file has, exclusively (a link or a file
// of that name makes it go on to the next), with mode; -1, with errno, when none can be made.
int makeTemporary(const std::string& file, mode_t mode, std::string& temporary) {
  for (int n = 0; n < kTemporaryNames; ++n) {
    temporary = temporaryName(file, n);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Gives the temporary the old file's owner and group; false when this user may not (only root
// may give a file away).
bool takeOwner(int fd, const struct stat& old) {
  struct stat made;
  if (::fstat(fd, &made) != 0) return false;
  if (made.st_uid == old.st_uid && made.st_gid == old.st_gid) return true;
  return ::fchown(fd, old.st_uid, old.st_gid) == 0;
}

}  // namespace

bool replaceFile(const std::string& path, const std::string& contents) {
  const std::string file = finalTarget(path);
  if (file.empty()) return false;
  struct stat old;
  const bool exists = ::stat(file.c_str(), &old) == 0;
  if (exists && ::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) != 0) return false;
  if (exists && old.st_nlink > 1) return writeInPlace(file, contents);

  // Only its owner may open the temporary until it has the old file's mode: a reader who opened
  // it before would read the new contents through the open file whatever the mode becomes. A
  // new file gets the mode any new file gets here (umask, default ACL), which shows nothing the
  // finished file does not.
  std::string temporary;
  const int fd = makeTemporary(file, exists ? 0600 : 0666, temporary);
  if (fd < 0) {
    // A folder the user may not write (or one crowded with temporaries) still lets the file be
    // written; other failures (a full disk, a read-only system) would only cut it short.
    const bool noRoom = errno == EACCES || errno == EPERM || errno == EEXIST;
    return noRoom && writeInPlace(file, contents);
  }
  if (exists && !takeOwner(fd, old)) {
    ::close(fd);
    ::unlink(temporary.c_str());
    return writeInPlace(file, contents);
  }

  bool ok = !exists || ::fchmod(fd, old.st_mode & 07777) == 0;
  ok = ok && writeAll(fd, contents) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && std::rename(temporary.c_str(), file.c_str()) == 0;
  if (!ok) {
    ::unlink(temporary.c_str());
    return false;
  }
  syncFolderOf(file);
  return true;
}

}  // namespace Kettar
