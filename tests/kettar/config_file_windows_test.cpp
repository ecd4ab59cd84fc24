#include "kettar/config_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "config_settings.h"
#include "media_assets.h"

// The configuration file's write on Windows: MoveFileEx replaces the old file
// in one step, where Linux renames over it.
namespace {

namespace fs = std::filesystem;

class ConfigFileWindows : public ::testing::Test {
 protected:
  bool onlyTheFileIsLeft() const {
    return std::distance(fs::directory_iterator(folder.path("")), fs::directory_iterator()) == 1;
  }

  media_test::TempDir folder;
  const std::string path = folder.path("ombrel.cfg");
};

TEST_F(ConfigFileWindows, SaveReplacesAnExistingFileAndLoadsBack) {
  Settings saved;
  saved.app.fps = 75;
  saved.video.width = 1024;
  media_test::writeFile(path, std::string(5000, '#'));
  ASSERT_TRUE(Kettar::saveConfig(path, saved.app, saved.video, saved.audio));
  EXPECT_EQ(media_test::readFile(path), saved.written());
  EXPECT_TRUE(onlyTheFileIsLeft());

  Settings loaded;
  std::ostringstream log;
  EXPECT_TRUE(Kettar::loadConfig(path, log, loaded.app, loaded.video, loaded.audio));
  EXPECT_EQ(loaded.written(), saved.written());
}

TEST_F(ConfigFileWindows, AFailedSaveLeavesTheOldFileAndNoTemporary) {
  struct Row {
    const char* name;
    void (*block)(const std::string& path);
  };
  const Row rows[] = {
      {"the old file is read-only",
       [](const std::string& p) {
         fs::permissions(p, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                         fs::perm_options::remove);
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    media_test::TempDir here;
    const std::string p = here.path("ombrel.cfg");
    media_test::writeFile(p, "old settings\n");
    row.block(p);
    const Settings s;
    EXPECT_FALSE(Kettar::saveConfig(p, s.app, s.video, s.audio));
    EXPECT_EQ(media_test::readFile(p), "old settings\n");
    EXPECT_FALSE(fs::exists(p + ".tmp"));
    fs::permissions(p, fs::perms::owner_write, fs::perm_options::add);
  }
}

// A file or folder under the temporary's name is left alone: the save takes the next free name.
// A file with a second hard link is written in place, so both names show the new settings.
TEST_F(ConfigFileWindows, OtherFilesKeepWhatTheyHold) {
  struct Row {
    const char* name;
    void (*make)(const std::string& path);
  };
  const Row rows[] = {
      {"a file under the temporary's name", [](const std::string& p) { media_test::writeFile(p + ".tmp", "mine\n"); }},
      {"a folder under the temporary's name", [](const std::string& p) { fs::create_directory(p + ".tmp"); }},
      {"a second hard link", [](const std::string& p) { fs::create_hard_link(p, p + ".second"); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    media_test::TempDir here;
    const std::string p = here.path("ombrel.cfg");
    media_test::writeFile(p, "old settings\n");
    row.make(p);
    const Settings s;
    EXPECT_TRUE(Kettar::saveConfig(p, s.app, s.video, s.audio));
    EXPECT_EQ(media_test::readFile(p), s.written());
    if (fs::is_regular_file(p + ".tmp")) {
      EXPECT_EQ(media_test::readFile(p + ".tmp"), "mine\n");
    }
    if (fs::exists(p + ".second")) {
      EXPECT_EQ(media_test::readFile(p + ".second"), s.written());
    }
    EXPECT_FALSE(fs::exists(p + ".1.tmp"));
  }
}

TEST_F(ConfigFileWindows, SaveIntoAMissingFolderFails) {
  const std::string inside = folder.path("gone\\ombrel.cfg");
  const Settings s;
  EXPECT_FALSE(Kettar::saveConfig(inside, s.app, s.video, s.audio));
  EXPECT_FALSE(fs::exists(folder.path("gone")));
}

}  // namespace
