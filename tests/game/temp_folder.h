#pragma once
// Files the game tests write: a folder of the running test's own below the
// system's temporary folder, and whole files read and written as bytes.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace test_files {

// Made empty when built, named by the prefix, the process and the running test
// so that tests run in parallel never share one; removed with all it holds
// when it goes.
class TempFolder {
 public:
  explicit TempFolder(const std::string& prefix)
      : dir_(std::filesystem::temp_directory_path() /
             (prefix + "_" + std::to_string(getpid()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string path(const std::string& name) const { return (dir_ / name).string(); }

 private:
  std::filesystem::path dir_;
};

// The whole file; empty when it cannot be read.
inline std::vector<uint8_t> readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Replaces the file with the bytes.
inline void writeAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace test_files
