#pragma once
// Runs part of a test as the unprivileged user nobody. Root may write any file, so what the
// program does with a file its user may not write shows only as someone else; CI runs the
// tests as root.

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

namespace test_support {

// The user the tests drop to; false when the system has none.
inline bool unprivilegedUser(uid_t& uid, gid_t& gid) {
  const passwd* nobody = ::getpwnam("nobody");
  if (nobody == nullptr) return false;
  uid = nobody->pw_uid;
  gid = nobody->pw_gid;
  return true;
}

// Gives a file or folder to the unprivileged user when this process is root (elsewhere the
// process is unprivileged itself and keeps it); false when that fails.
inline bool giveToUnprivileged(const char* path) {
  uid_t uid;
  gid_t gid;
  if (::geteuid() != 0) return true;
  return unprivilegedUser(uid, gid) && ::chown(path, uid, gid) == 0;
}

// Runs body in a forked child, as the unprivileged user when this process is root, and gives
// the child's exit code, body's result (0..254); -1 when the child could not drop its
// privileges or did not exit normally.
inline int runUnprivileged(const std::function<int()>& body) {
  uid_t uid;
  gid_t gid;
  const bool root = ::geteuid() == 0;
  if (root && !unprivilegedUser(uid, gid)) return -1;
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    if (root && (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0))
      ::_exit(255);
    ::_exit(body());
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status) == 255 ? -1 : WEXITSTATUS(status);
}

}  // namespace test_support
