#include "kettar/platform/program_directory.h"
#include "kettar/platform/program_directory_windows.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

TEST(ProgramDirectoryWindows, CutsTheModulePathAfterItsLastBackslash) {
  struct Row {
    const char* name;
    std::string path;
    std::string directory;
  };
  const Row rows[] = {
      {"a program in a folder", "C:\\Games\\Ombrel\\ombrel.exe", "C:\\Games\\Ombrel\\"},
      {"a program at a drive's root", "C:\\ombrel.exe", "C:\\"},
      {"a network share", "\\\\server\\share\\ombrel.exe", "\\\\server\\share\\"},
      {"slashes are not the cut", "C:\\Games\\x/y/ombrel.exe", "C:\\Games\\"},
      {"no backslash at all", "C:/Games/ombrel.exe", ""},
      {"no folder", "ombrel.exe", ""},
      {"empty", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Kettar::programDirectoryFromModulePath(row.path), row.directory);
  }
}

TEST(ProgramDirectoryWindows, IsTheFolderOfTheRunningTestProgram) {
  const std::string& directory = Kettar::executableDirectory;
  ASSERT_FALSE(directory.empty());
  EXPECT_EQ(directory.back(), '\\');
  EXPECT_TRUE(std::filesystem::exists(directory + "kettar_tests.exe")) << directory;
}

}  // namespace
