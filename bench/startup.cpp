// Time from the start of the game's process to its first menu frame, under
// the X display of DISPLAY (Xvfb with Mesa's software renderer). Each run
// starts a copy of the built game in a temporary folder (its data linked to
// the build's), with the first-frame library preloaded: the first buffer swap
// reports the time and ends the game.

#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

// Nanoseconds on the monotonic clock, as the preloaded library reads it.
int64_t nowNanoseconds() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// A folder with a copy of the game and a link to the build's data, so the
// configuration the game writes and its log stay out of the build.
std::string makeGameFolder() {
  char pattern[] = "/tmp/ombrel-start-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return "";
  const fs::path root(pattern);
  std::error_code e;
  fs::copy_file(fs::path(OMBREL_BUILD_DIR) / "ombrel", root / "ombrel", e);
  if (e) return "";
  fs::create_directory_symlink(fs::path(OMBREL_BUILD_DIR) / "data", root / "data", e);
  return e ? "" : root.string();
}

// Seconds from before the fork to the first frame; negative when the game
// ended without a frame.
double startOnce(const std::string& folder) {
  int fds[2];
  if (pipe(fds) != 0) return -1.0;
  const int64_t start = nowNanoseconds();
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    setenv("OMBREL_FIRST_FRAME_FD", std::to_string(fds[1]).c_str(), 1);
    setenv("LD_PRELOAD", OMBREL_FIRST_FRAME_LIBRARY, 1);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    if (freopen("/dev/null", "w", stdout) == nullptr) _exit(127);
    const std::string game = folder + "/ombrel";
    execl(game.c_str(), game.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  int64_t frame = 0;
  const bool got = read(fds[0], &frame, sizeof frame) == sizeof frame;
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return got ? double(frame - start) * 1e-9 : -1.0;
}

void BM_StartToFirstMenuFrame(benchmark::State& state) {
  if (std::getenv("DISPLAY") == nullptr) {
    state.SkipWithError("no X display (run under Xvfb)");
    return;
  }
  const std::string folder = makeGameFolder();
  if (folder.empty()) {
    state.SkipWithError("cannot copy the game into a temporary folder");
    return;
  }
  for (auto _ : state) {
    const double took = startOnce(folder);
    if (took < 0.0) {
      state.SkipWithError("the game ended without drawing a frame");
      break;
    }
    state.SetIterationTime(took);
  }
  std::error_code e;
  fs::remove_all(folder, e);
}
BENCHMARK(BM_StartToFirstMenuFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
