#include "kettar/config_file.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "config_settings.h"
#include "media_assets.h"

// The configuration file's write on Windows: ReplaceFile puts the temporary in
// the old file's place (MoveFileEx for a new file), where Linux renames over it.
namespace {

namespace fs = std::filesystem;

// The file's index on its volume; a new file made in its place has another.
// 0 when it cannot be read.
ULONGLONG fileIndex(const std::string& path) {
  const HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  BY_HANDLE_FILE_INFORMATION info;
  const bool read = GetFileInformationByHandle(file, &info) != 0;
  CloseHandle(file);
  return read ? (static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow : 0;
}

// Gives the file the security that sddl describes (a DACL in SDDL); false when it cannot.
bool setSecurity(const std::string& path, const char* sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr))
    return false;
  const bool set = SetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, descriptor) != 0;
  LocalFree(descriptor);
  return set;
}

// This process's user in SDDL form ("S-1-5-21-..."); empty when it cannot be read.
std::string userSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return std::string();
  char buffer[256];
  DWORD size = 0;
  std::string sid;
  char* text = nullptr;
  if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
      ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) {
    sid = text;
    LocalFree(text);
  }
  CloseHandle(token);
  return sid;
}

// Whether the system would let this process open the file for writing.
bool openableForWriting(const std::string& path) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

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

// A file or folder under the temporary's name is left alone: the save takes the next free name,
// and the file is the new one made there. A file with a second hard link is written in place,
// so both names show the new settings.
TEST_F(ConfigFileWindows, OtherFilesKeepWhatTheyHold) {
  struct Row {
    const char* name;
    void (*make)(const std::string& path);
    bool replaced;  // by a new file, else written in place
  };
  const Row rows[] = {
      {"a file under the temporary's name", [](const std::string& p) { media_test::writeFile(p + ".tmp", "mine\n"); },
       true},
      {"a folder under the temporary's name", [](const std::string& p) { fs::create_directory(p + ".tmp"); }, true},
      {"a second hard link", [](const std::string& p) { fs::create_hard_link(p, p + ".second"); }, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    media_test::TempDir here;
    const std::string p = here.path("ombrel.cfg");
    media_test::writeFile(p, "old settings\n");
    row.make(p);
    const ULONGLONG before = fileIndex(p);
    ASSERT_NE(before, 0u);
    const Settings s;
    EXPECT_TRUE(Kettar::saveConfig(p, s.app, s.video, s.audio));
    EXPECT_EQ(media_test::readFile(p), s.written());
    EXPECT_EQ(fileIndex(p) != before, row.replaced) << "file index " << before << ", now " << fileIndex(p);
    if (fs::is_regular_file(p + ".tmp")) {
      EXPECT_EQ(media_test::readFile(p + ".tmp"), "mine\n");
    }
    if (fs::exists(p + ".second")) {
      EXPECT_EQ(media_test::readFile(p + ".second"), s.written());
    }
    EXPECT_FALSE(fs::exists(p + ".1.tmp"));
  }
}

// The read-only attribute is not all that stops a write: a file whose security denies this user
// writing (and lets everyone else, so it is not read-only) stays as it is, with its security,
// though the folder would let a move replace it.
TEST_F(ConfigFileWindows, AFileWhoseSecurityForbidsWritingStaysAsItIs) {
  media_test::writeFile(path, "old settings\n");
  const ULONGLONG before = fileIndex(path);
  ASSERT_NE(before, 0u);
  const std::string user = userSid();
  ASSERT_FALSE(user.empty());
  ASSERT_TRUE(setSecurity(path, ("D:P(D;;FW;;;" + user + ")(A;;FA;;;WD)").c_str()));
  if (openableForWriting(path)) {
    ASSERT_TRUE(setSecurity(path, "D:P(A;;FA;;;WD)"));
    GTEST_SKIP() << "this system lets the file be written despite its security (wine as root)";
  }
  const Settings s;
  EXPECT_FALSE(Kettar::saveConfig(path, s.app, s.video, s.audio));
  EXPECT_EQ(fileIndex(path), before) << "the file was replaced";
  EXPECT_FALSE(openableForWriting(path)) << "the file lost its security";
  ASSERT_TRUE(setSecurity(path, "D:P(A;;FA;;;WD)"));
  EXPECT_EQ(media_test::readFile(path), "old settings\n");
  EXPECT_TRUE(onlyTheFileIsLeft());
}

// The new file in the old one's place keeps the attributes the player gave the old one.
TEST_F(ConfigFileWindows, AReplacedFileKeepsItsAttributes) {
  const DWORD attributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  media_test::writeFile(path, "old settings\n");
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), attributes));
  const ULONGLONG before = fileIndex(path);
  const Settings s;
  ASSERT_TRUE(Kettar::saveConfig(path, s.app, s.video, s.audio));
  EXPECT_EQ(media_test::readFile(path), s.written());
  EXPECT_NE(fileIndex(path), before) << "the file was written in place";
  const DWORD now = GetFileAttributesA(path.c_str());
  ASSERT_NE(now, INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(now & attributes, attributes) << std::hex << now;
  EXPECT_TRUE(onlyTheFileIsLeft());
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Another program holds the old file open and does not share deleting it, so it cannot be
// replaced: it stays whole, and neither the temporary nor the name the old file would have
// passed through is left.
TEST_F(ConfigFileWindows, AFileThatCannotBeReplacedStaysWhole) {
  media_test::writeFile(path, "old settings\n");
  const HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const Settings s;
  EXPECT_FALSE(Kettar::saveConfig(path, s.app, s.video, s.audio));
  CloseHandle(held);
  EXPECT_EQ(media_test::readFile(path), "old settings\n");
  EXPECT_TRUE(onlyTheFileIsLeft());
}

TEST_F(ConfigFileWindows, SaveIntoAMissingFolderFails) {
  const std::string inside = folder.path("gone\\ombrel.cfg");
  const Settings s;
  EXPECT_FALSE(Kettar::saveConfig(inside, s.app, s.video, s.audio));
  EXPECT_FALSE(fs::exists(folder.path("gone")));
}

}  // namespace
