#include "kettar/platform/program_directory.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

TEST(ProgramDirectory, CutsTheLinkAfterItsLastSlash) {
  const std::string longPath = "/" + std::string(150, 'a') + "/" + std::string(60, 'b');
  struct Row {
    const char* name;
    std::string link;
    long result;
    std::string directory;
    std::string message;
  };
  const Row rows[] = {
      {"normal path", "/usr/games/ombrel/ombrel", 24, "/usr/games/ombrel/", ""},
      {"root", "/ombrel", 7, "/", ""},
      {"no slash gives the working directory", "ombrel", 6, "", ""},
      {"readlink failure", "", -1, "", "Error resolving symlink /proc/self/exe.\n"},
      // 200 bytes did not fit: the first 199 are kept, and the cut falls inside them.
      {"full buffer", longPath.substr(0, 200), 200, "/" + std::string(150, 'a') + "/",
       "Path too long. Truncated.\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::ostringstream log;
    EXPECT_EQ(Kettar::programDirectoryFromLink(row.link.data(), row.result, log), row.directory);
    EXPECT_EQ(log.str(), row.message);
  }
}

TEST(ProgramDirectory, FullBufferCutsAtTheLastSlashOfTheKept199Bytes) {
  // The 200th byte is a slash: it is dropped with the truncation, so the cut moves back.
  const std::string link = "/" + std::string(100, 'x') + "/" + std::string(97, 'y') + "/";
  ASSERT_EQ(link.size(), 200u);
  std::ostringstream log;
  EXPECT_EQ(Kettar::programDirectoryFromLink(link.data(), 200, log), link.substr(0, 102));
  EXPECT_EQ(log.str(), "Path too long. Truncated.\n");
}

TEST(ProgramDirectory, TheRunningProgramLivesInTheTestFolder) {
  std::ostringstream log;
  const std::string directory = Kettar::readProgramDirectory(log);
  EXPECT_EQ(log.str(), "");
  EXPECT_EQ(directory, std::string(OMBREL_BUILD_DIR) + "/tests/");
  EXPECT_EQ(Kettar::executableDirectory, directory);
}

}  // namespace
