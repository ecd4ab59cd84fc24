#include "kettar/config_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "config_settings.h"
#include "media_assets.h"

namespace {

namespace fs = std::filesystem;

class ConfigFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "ombrel-config-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder = pattern;
    path = (folder / "ombrel.cfg").string();
  }
  void TearDown() override {
    ::chmod(folder.c_str(), 0700);
    fs::remove_all(folder);
  }

  bool onlyTheFileIsLeft() const {
    return std::distance(fs::directory_iterator(folder), fs::directory_iterator()) == 1;
  }

  static Settings changed() {
    Settings s;
    s.app.fps = 75;
    s.app.logTo = "file";
    s.video.width = 1024;
    s.video.height = 768;
    s.audio.musicVol = 15;
    s.audio.musicFadeIn = 0.5f;
    return s;
  }

  fs::path folder;
  std::string path;
};

TEST_F(ConfigFile, SavedFileLoadsBackWithItsMessage) {
  const Settings saved = changed();
  ASSERT_TRUE(Kettar::saveConfig(path, saved.app, saved.video, saved.audio));
  EXPECT_EQ(media_test::readFile(path), saved.written());
  EXPECT_TRUE(onlyTheFileIsLeft());

  Settings loaded;
  std::ostringstream log;
  EXPECT_TRUE(Kettar::loadConfig(path, log, loaded.app, loaded.video, loaded.audio));
  EXPECT_EQ(log.str(), "Using configuration file: " + path + "\n");
  EXPECT_EQ(loaded.written(), saved.written());
}

TEST_F(ConfigFile, MissingFileIsReportedAndChangesNothing) {
  Settings s = changed();
  std::ostringstream log;
  EXPECT_FALSE(Kettar::loadConfig(path, log, s.app, s.video, s.audio));
  EXPECT_EQ(log.str(), "!![App] cannot open " + path + "\n");
  EXPECT_EQ(s.written(), changed().written());
}

TEST_F(ConfigFile, FileWithoutSectionsIsAParseError) {
  media_test::writeFile(path, "fps = 30\n");
  Settings s;
  std::ostringstream log;
  EXPECT_FALSE(Kettar::loadConfig(path, log, s.app, s.video, s.audio));
  EXPECT_EQ(log.str(), "!![App] error parsing " + path + "\n");
  EXPECT_EQ(s.written(), Settings{}.written());
}

TEST_F(ConfigFile, SaveReplacesALongerFileWholly) {
  media_test::writeFile(path, std::string(5000, '#'));
  const Settings s;
  ASSERT_TRUE(Kettar::saveConfig(path, s.app, s.video, s.audio));
  EXPECT_EQ(media_test::readFile(path), s.written());
}

TEST_F(ConfigFile, SaveKeepsThePermissionsOfTheOldFile) {
  media_test::writeFile(path, "old");
  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
  const Settings s;
  ASSERT_TRUE(Kettar::saveConfig(path, s.app, s.video, s.audio));
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST_F(ConfigFile, SaveIntoAMissingFolderFails) {
  const std::string inside = (folder / "gone" / "ombrel.cfg").string();
  const Settings s;
  EXPECT_FALSE(Kettar::saveConfig(inside, s.app, s.video, s.audio));
  EXPECT_FALSE(fs::exists(folder / "gone"));
}

TEST_F(ConfigFile, BlockedTemporaryLeavesTheOldFile) {
  media_test::writeFile(path, "old settings\n");
  fs::create_directory(path + ".tmp");
  const Settings s;
  EXPECT_FALSE(Kettar::saveConfig(path, s.app, s.video, s.audio));
  EXPECT_EQ(media_test::readFile(path), "old settings\n");
}

TEST_F(ConfigFile, UnwritableFolderLeavesTheOldFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into any folder";
  media_test::writeFile(path, "old settings\n");
  ASSERT_EQ(::chmod(folder.c_str(), 0500), 0);
  const Settings s;
  EXPECT_FALSE(Kettar::saveConfig(path, s.app, s.video, s.audio));
  EXPECT_EQ(media_test::readFile(path), "old settings\n");
}

// A write that fails halfway (here: the process may not write more than 64 bytes into a file)
// must leave the old file whole and no temporary behind.
TEST_F(ConfigFile, WriteFailingMidwayLeavesTheOldFile) {
  const std::string old = changed().written();
  media_test::writeFile(path, old);

  rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  void (*const savedHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 64;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);

  const Settings s;
  const bool written = Kettar::saveConfig(path, s.app, s.video, s.audio);

  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, savedHandler);

  EXPECT_FALSE(written);
  EXPECT_EQ(media_test::readFile(path), old);
  EXPECT_TRUE(onlyTheFileIsLeft());
}

}  // namespace
