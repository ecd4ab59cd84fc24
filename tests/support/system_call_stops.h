#pragma once
// Looks at the files an operation leaves between its steps: the operation runs in a forked child
// that this process traces, and a check runs each time the child stops at a system call, when
// nothing of the child moves. What another process could see at any moment of the operation is
// then seen every time, not by chance.

#include <signal.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

namespace test_support {

// Runs body in a traced child and check in this process at each entry to and exit from a system
// call of the child. body's result (0..254); -1 when the child cannot be traced (qemu's user
// emulation has no ptrace) or did not exit normally.
inline int runCheckingEachSystemCall(const std::function<int()>& body, const std::function<void()>& check) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) ::_exit(255);
    ::raise(SIGSTOP);
    ::_exit(body());
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return -1;
  if (!WIFSTOPPED(status)) return -1;
  ::ptrace(PTRACE_SETOPTIONS, pid, nullptr, reinterpret_cast<void*>(PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL));
  long pending = 0;  // a signal the child received, handed on when it goes on
  for (;;) {
    if (::ptrace(PTRACE_SYSCALL, pid, nullptr, reinterpret_cast<void*>(pending)) != 0) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return -1;
    }
    pending = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status) == 255 ? -1 : WEXITSTATUS(status);
    if (!WIFSTOPPED(status)) return -1;
    if (WSTOPSIG(status) == (SIGTRAP | 0x80))
      check();
    else
      pending = WSTOPSIG(status);
  }
}

}  // namespace test_support
