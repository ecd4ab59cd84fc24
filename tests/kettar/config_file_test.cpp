#include "kettar/config_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "config_settings.h"
#include "kettar/platform/replace_file.h"
#include "media_assets.h"
#include "support/file_size_limit.h"
#include "support/system_call_stops.h"
#include "support/unprivileged.h"

namespace {

namespace fs = std::filesystem;

class ConfigFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "ombrel-config-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder = pattern;
    path = (folder / "ombrel.cfg").string();
    ASSERT_TRUE(test_support::giveToUnprivileged(folder.c_str()));
  }
  void TearDown() override {
    ::chmod(folder.c_str(), 0700);
    fs::remove_all(folder);
  }

  bool onlyTheFileIsLeft() const {
    return std::distance(fs::directory_iterator(folder), fs::directory_iterator()) == 1;
  }
  bool noTemporaryIsLeft() const {
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(folder))
      if (e.path().extension() == ".tmp") return false;
    return true;
  }

  // saveConfig of the default settings to path as the unprivileged user: 1 when it reports a
  // written file, 0 when it does not, -1 when the child failed.
  int saveAsUnprivileged() const {
    const std::string target = path;
    return test_support::runUnprivileged([target] {
      const Settings s;
      return Kettar::saveConfig(target, s.app, s.video, s.audio) ? 1 : 0;
    });
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

// A reader who opens the temporary keeps reading through that open file whatever its mode becomes,
// so at no moment of the save may the temporary let anyone read what the finished file would not:
// the old file's mode, or for a new file the mode any new file gets under the umask.
TEST_F(ConfigFile, TheTemporaryNeverShowsMoreThanTheFinishedFile) {
  struct Row {
    const char* name;
    bool oldFile;
    mode_t oldMode;
    mode_t umask;
    mode_t finished;
  } rows[] = {
      {"a file only its owner may read", true, 0600, 022, 0600},
      {"a file its group may read", true, 0640, 022, 0640},
      {"a file everyone may read, under a strict umask", true, 0644, 077, 0644},
      {"no file yet", false, 0, 022, 0644},
      {"no file yet, under a strict umask", false, 0, 077, 0600},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.oldFile) {
      media_test::writeFile(path, "old settings\n");
      ASSERT_EQ(::chmod(path.c_str(), row.oldMode), 0);
    }
    bool seen = false;
    mode_t shown = 0;  // every permission a temporary had at some stop
    const auto lookAtTemporaries = [&] {
      for (const fs::directory_entry& e : fs::directory_iterator(folder)) {
        struct stat st;
        if (e.path().extension() != ".tmp" || ::lstat(e.path().c_str(), &st) != 0) continue;
        seen = true;
        shown |= st.st_mode & 0777;
      }
    };
    const std::string target = path;
    const mode_t umask = row.umask;
    const int saved = test_support::runCheckingEachSystemCall(
        [target, umask] {
          ::umask(umask);
          const Settings s;
          return Kettar::saveConfig(target, s.app, s.video, s.audio) ? 1 : 0;
        },
        lookAtTemporaries);
    if (saved == -1) GTEST_SKIP() << "this system cannot trace a child";
    EXPECT_EQ(saved, 1);
    EXPECT_TRUE(seen) << "no stop saw the temporary";
    EXPECT_EQ(shown & ~row.finished, 0u) << std::oct << "the temporary showed " << shown;
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, row.finished) << std::oct << (st.st_mode & 0777);
    EXPECT_EQ(media_test::readFile(path), Settings{}.written());
    EXPECT_TRUE(onlyTheFileIsLeft());
    fs::remove(path);
  }
}

TEST_F(ConfigFile, SaveIntoAMissingFolderFails) {
  const std::string inside = (folder / "gone" / "ombrel.cfg").string();
  const Settings s;
  EXPECT_FALSE(Kettar::saveConfig(inside, s.app, s.video, s.audio));
  EXPECT_FALSE(fs::exists(folder / "gone"));
}

// Names the temporary could take that a file already has are not the save's to write through:
// it takes the next free name and leaves them as they were, and the file is replaced by the new
// one made there (a new inode), not written in place.
TEST_F(ConfigFile, FilesUnderTheTemporarysNameAreLeftAlone) {
  const std::string temporary = path + ".tmp";
  const std::string other = (folder / "other.txt").string();
  struct Row {
    const char* name;
    void (*make)(const std::string& temporary, const std::string& other);
  } rows[] = {
      {"a file of the user's",
       [](const std::string& t, const std::string&) {
         media_test::writeFile(t, "mine\n");
         ASSERT_TRUE(test_support::giveToUnprivileged(t.c_str()));
       }},
      {"a hard link to another file of the user's",
       [](const std::string& t, const std::string& o) {
         media_test::writeFile(o, "mine\n");
         ASSERT_TRUE(test_support::giveToUnprivileged(o.c_str()));
         fs::create_hard_link(o, t);
       }},
      {"a symbolic link to another file of the user's",
       [](const std::string& t, const std::string& o) {
         media_test::writeFile(o, "mine\n");
         ASSERT_TRUE(test_support::giveToUnprivileged(o.c_str()));
         fs::create_symlink("other.txt", t);
       }},
      {"a folder", [](const std::string& t, const std::string&) { fs::create_directory(t); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    media_test::writeFile(path, "old settings\n");
    ASSERT_TRUE(test_support::giveToUnprivileged(path.c_str()));
    row.make(temporary, other);
    struct stat before;
    ASSERT_EQ(::lstat(temporary.c_str(), &before), 0);
    struct stat oldFile;
    ASSERT_EQ(::stat(path.c_str(), &oldFile), 0);

    EXPECT_EQ(saveAsUnprivileged(), 1);
    EXPECT_EQ(media_test::readFile(path), Settings{}.written());
    struct stat newFile;
    ASSERT_EQ(::stat(path.c_str(), &newFile), 0);
    EXPECT_NE(newFile.st_ino, oldFile.st_ino) << "the file was written in place";
    struct stat after;
    ASSERT_EQ(::lstat(temporary.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    if (S_ISREG(after.st_mode)) {
      EXPECT_EQ(media_test::readFile(temporary), "mine\n");
    }
    if (fs::exists(other)) {
      EXPECT_EQ(media_test::readFile(other), "mine\n");
    }
    EXPECT_FALSE(fs::exists(Kettar::temporaryName(path, 1))) << "the save's own temporary was left";

    fs::remove(path);
    fs::remove(temporary);
    fs::remove(other);
  }
}

// Where a rename would change the file in a way its user did not ask for, or cannot be made at
// all, the file is written where it is: the same file, with its owner, its mode and its other
// names.
TEST_F(ConfigFile, FilesARenameWouldChangeAreWrittenInPlace) {
  const std::string second = (folder / "second.cfg").string();
  struct Row {
    const char* name;
    bool ownedByTheUser;
    void (*make)(const fs::path& folder, const std::string& path, const std::string& second);
  } rows[] = {
      {"a folder the user may not write", true,
       [](const fs::path& f, const std::string&, const std::string&) {
         ASSERT_EQ(::chmod(f.c_str(), 0500), 0);
       }},
      {"a second hard link", true,
       [](const fs::path&, const std::string& p, const std::string& s) { fs::create_hard_link(p, s); }},
      {"a writable file of another user", false,
       [](const fs::path&, const std::string& p, const std::string&) { ASSERT_EQ(::chmod(p.c_str(), 0666), 0); }},
      {"every name of the temporary taken", true,
       [](const fs::path&, const std::string& p, const std::string&) {
         for (int n = 0; n < Kettar::kTemporaryNames; ++n)
           media_test::writeFile(Kettar::temporaryName(p, n), "taken\n");
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    // Only root can make a file that belongs to someone else.
    if (!row.ownedByTheUser && ::geteuid() != 0) continue;
    media_test::writeFile(path, "old settings\n");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    if (row.ownedByTheUser) {
      ASSERT_TRUE(test_support::giveToUnprivileged(path.c_str()));
    }
    row.make(folder, path, second);
    struct stat before;
    ASSERT_EQ(::stat(path.c_str(), &before), 0);

    EXPECT_EQ(saveAsUnprivileged(), 1);
    ::chmod(folder.c_str(), 0700);
    EXPECT_EQ(media_test::readFile(path), Settings{}.written());
    struct stat after;
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the file was replaced";
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_nlink, before.st_nlink);
    if (fs::exists(second)) {
      EXPECT_EQ(media_test::readFile(second), Settings{}.written());
    }
    for (int n = 0; n < Kettar::kTemporaryNames; ++n) {
      const std::string t = Kettar::temporaryName(path, n);
      if (fs::exists(t)) {
        EXPECT_EQ(media_test::readFile(t), "taken\n") << t;
      }
    }

    for (const fs::directory_entry& e : fs::directory_iterator(folder)) fs::remove(e.path());
  }
}

// The folder would let a rename replace the file; the file itself is not the user's to write.
TEST_F(ConfigFile, FileTheUserMayNotWriteStaysAsItIs) {
  struct Row {
    const char* name;
    mode_t mode;
    bool ownedByTheUser;
  } rows[] = {
      {"read-only file", 0444, true},
      {"someone else's file", 0644, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    // Only root can make a file that belongs to someone else.
    if (!row.ownedByTheUser && ::geteuid() != 0) continue;
    media_test::writeFile(path, "old settings\n");
    ASSERT_EQ(::chmod(path.c_str(), row.mode), 0);
    if (row.ownedByTheUser) {
      ASSERT_TRUE(test_support::giveToUnprivileged(path.c_str()));
    }
    struct stat before;
    ASSERT_EQ(::stat(path.c_str(), &before), 0);

    EXPECT_EQ(saveAsUnprivileged(), 0);
    EXPECT_EQ(media_test::readFile(path), "old settings\n");
    struct stat after;
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the file was replaced";
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_TRUE(onlyTheFileIsLeft());
    fs::remove(path);
  }
}

// A link named ombrel.cfg stays that link; the file at its end gets the new settings, written
// beside it, with its permissions.
TEST_F(ConfigFile, SymbolicLinkStaysALinkAndItsFileIsReplaced) {
  const fs::path real = folder / "real";
  const std::string file = (real / "settings.cfg").string();
  struct Row {
    const char* name;
    std::vector<std::pair<std::string, std::string>> links;  // link name in the folder, its text
    bool fileExists;
  } rows[] = {
      {"relative link", {{"ombrel.cfg", "real/settings.cfg"}}, true},
      {"absolute link", {{"ombrel.cfg", file}}, true},
      {"link to a link", {{"ombrel.cfg", "middle.cfg"}, {"middle.cfg", "real/settings.cfg"}}, true},
      {"link to a file not made yet", {{"ombrel.cfg", "real/settings.cfg"}}, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fs::create_directory(real);
    ASSERT_TRUE(test_support::giveToUnprivileged(real.c_str()));
    if (row.fileExists) {
      media_test::writeFile(file, "old settings\n");
      ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
      ASSERT_TRUE(test_support::giveToUnprivileged(file.c_str()));
    }
    for (const auto& link : row.links) fs::create_symlink(link.second, folder / link.first);

    EXPECT_EQ(saveAsUnprivileged(), 1);
    for (const auto& link : row.links) {
      ASSERT_TRUE(fs::is_symlink(folder / link.first)) << link.first;
      EXPECT_EQ(fs::read_symlink(folder / link.first).string(), link.second);
    }
    EXPECT_EQ(media_test::readFile(file), Settings{}.written());
    struct stat st;
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    if (row.fileExists) {
      EXPECT_EQ(st.st_mode & 07777, 0640u);
    }
    EXPECT_TRUE(noTemporaryIsLeft());

    for (const auto& link : row.links) fs::remove(folder / link.first);
    fs::remove_all(real);
  }
}

TEST_F(ConfigFile, LinkLoopIsNotWritten) {
  fs::create_symlink("loop.cfg", path);
  fs::create_symlink("ombrel.cfg", folder / "loop.cfg");
  EXPECT_EQ(saveAsUnprivileged(), 0);
  EXPECT_TRUE(fs::is_symlink(path));
  EXPECT_TRUE(noTemporaryIsLeft());
}

// A write that fails halfway (here: the process may not write more than 64 bytes into a file)
// must leave the old file whole and no temporary behind. Written in place, the file is cut short,
// and the save says so.
TEST_F(ConfigFile, WriteFailingMidwayLeavesTheOldFile) {
  const std::string old = changed().written();
  media_test::writeFile(path, old);
  const Settings s;
  bool written = true;
  ASSERT_TRUE(test_support::withFileSizeLimit(64, [&] { written = Kettar::saveConfig(path, s.app, s.video, s.audio); }));
  EXPECT_FALSE(written);
  EXPECT_EQ(media_test::readFile(path), old);
  EXPECT_TRUE(onlyTheFileIsLeft());

  fs::create_hard_link(path, folder / "second.cfg");
  written = true;
  ASSERT_TRUE(test_support::withFileSizeLimit(64, [&] { written = Kettar::saveConfig(path, s.app, s.video, s.audio); }));
  EXPECT_FALSE(written);
  EXPECT_TRUE(noTemporaryIsLeft());
}

}  // namespace
