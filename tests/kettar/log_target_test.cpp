#include "kettar/log_target.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "media_assets.h"

namespace {

class LogTargetTest : public ::testing::Test {
 protected:
  // Read as text: the log file has the platform's line ends.
  std::string logFile() const {
    std::ifstream in(directory + Kettar::LogTarget::kFileName);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  media_test::TempDir folder;
  const std::string directory = folder.path("");  // with its trailing "/", as the program's is
  std::ostringstream console;
  std::ostream log{console.rdbuf()};
};

TEST_F(LogTargetTest, SwitchesBetweenConsoleFileAndNowhere) {
  {
    std::ofstream(directory + Kettar::LogTarget::kFileName) << "left from the last run\n";
    Kettar::LogTarget target(log);
    target.apply("console", directory);
    log << "a\n";
    target.apply("file", directory);
    log << "b\n";
    target.apply("none", directory);
    log << "c\n";
    target.apply("bogus", directory);  // unknown: still nowhere
    log << "d\n";
    target.apply("file", directory);  // the open file is reused, not truncated again
    log << "e\n";
    target.apply("bogus", directory);  // unknown: still the file
    log << "f\n";
    target.apply("console", directory);
    log << "g\n";
    EXPECT_TRUE(log.good());
  }
  EXPECT_EQ(console.str(), "a\ng\n");
  EXPECT_EQ(logFile(), "b\ne\nf\n");
}

TEST_F(LogTargetTest, HandsTheConsoleBackWhenItGoes) {
  std::streambuf* own = log.rdbuf();
  {
    Kettar::LogTarget target(log);
    target.apply("file", directory);
    EXPECT_NE(log.rdbuf(), own);
  }
  // The file's buffer is gone with the target; the stream must not point at it.
  EXPECT_EQ(log.rdbuf(), own);
  log << "after\n";
  EXPECT_EQ(console.str(), "after\n");
  EXPECT_EQ(logFile(), "");
}

TEST_F(LogTargetTest, AFileThatCannotBeCreatedLosesTheLines) {
  Kettar::LogTarget target(log);
  target.apply("file", directory + "missing-folder/");
  log << "lost\n";
  target.apply("console", directory);
  log << "back\n";
  EXPECT_EQ(console.str(), "back\n");
}

}  // namespace
