#pragma once
// Makes a file write fail halfway: while the limit holds, this process may not write a file past
// the given size (the write fails instead of raising SIGXFSZ). Windows has no such limit.

#include <functional>

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

namespace test_support {

// Runs body under the limit and restores the old one; false, without running body, where the
// system has no limit to set.
inline bool withFileSizeLimit(unsigned long bytes, const std::function<void()>& body) {
#ifdef _WIN32
  (void)bytes;
  (void)body;
  return false;
#else
  rlimit saved;
  if (::getrlimit(RLIMIT_FSIZE, &saved) != 0) return false;
  rlimit small = saved;
  small.rlim_cur = bytes;
  void (*const savedHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
  if (::setrlimit(RLIMIT_FSIZE, &small) != 0) {
    std::signal(SIGXFSZ, savedHandler);
    return false;
  }
  body();
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, savedHandler);
  return true;
#endif
}

}  // namespace test_support
