// Replays the inputs the fuzz targets once crashed on, kept under
// tests/fuzz_inputs/<target>/, through the targets' own entry points, and feeds
// the data builder's files to them: a target that refused the game's own files
// would fuzz nothing past its first check. A kept input's name starts with
// "refused-" or "accepted-", the reader's verdict once the crash was fixed.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "fuzz/entry_points.h"
#include "kettar/platform/texture_extension.h"

namespace {

namespace fs = std::filesystem;

using Entry = std::function<bool(const uint8_t*, size_t)>;

struct Target {
  const char* name;  // the fuzz target and its folder of kept inputs
  Entry entry;
  const char* extension;  // of the built data files it reads, "" for none
};

const std::vector<Target>& targets() {
  static const std::vector<Target> list = {
      {"config", Fuzz::configInput, ""},
      {"compressed_block", Fuzz::compressedBlockInput, ".ktr"},
      {"skeleton", Fuzz::skeletonInput, ".fsk"},
      {"texture", Fuzz::textureInput, ".ktr"},
      {"level", Fuzz::levelInput, ".orl"},
  };
  return list;
}

bool feed(const Entry& entry, const std::string& bytes) {
  return entry(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::vector<fs::path> filesUnder(const fs::path& folder, const std::string& extension) {
  std::vector<fs::path> files;
  if (!fs::is_directory(folder)) return files;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(folder))
    if (e.is_regular_file() && (extension.empty() || e.path().extension() == extension))
      files.push_back(e.path());
  return files;
}

TEST(FuzzInputs, KeptInputsGetTheirVerdictWithoutACrash) {
  const fs::path kept = fs::path(OMBREL_SOURCE_DIR) / "tests" / "fuzz_inputs";
  for (const Target& target : targets())
    for (const fs::path& file : filesUnder(kept / target.name, "")) {
      SCOPED_TRACE(file.string());
      const std::string name = file.filename().string();
      const bool accepted = name.rfind("accepted-", 0) == 0;
      ASSERT_TRUE(accepted || name.rfind("refused-", 0) == 0) << "no verdict in the name";
      EXPECT_EQ(feed(target.entry, Fuzz::readBytes(file.string())), accepted);
    }
}

TEST(FuzzInputs, TargetsAcceptTheBuiltData) {
  const fs::path data = fs::path(OMBREL_BUILD_DIR) / "data";
  for (const Target& target : targets()) {
    if (*target.extension == '\0') continue;
    // The 32-bit Linux build's data holds PNG images; the texture targets take their
    // seeds from the other builds' data.
    if (std::strcmp(target.extension, ".ktr") == 0 && std::strcmp(KETTAR_TEXTURE_EXTENSION, ".ktr") != 0)
      continue;
    const std::vector<fs::path> files = filesUnder(data, target.extension);
    SCOPED_TRACE(target.name);
    ASSERT_FALSE(files.empty()) << "no " << target.extension << " files under " << data;
    for (const fs::path& file : files) {
      SCOPED_TRACE(file.string());
      EXPECT_TRUE(feed(target.entry, Fuzz::readBytes(file.string())));
    }
  }
}

TEST(FuzzInputs, ConfigTargetAcceptsTheDefaultFile) {
  Kettar::AppConfig app;
  Kettar::VideoConfig video;
  Kettar::AudioConfig audio;
  std::ostringstream text;
  Kettar::writeConfig(text, app, video, audio);
  EXPECT_TRUE(feed(Fuzz::configInput, text.str()));
  // A file with no section is read as no configuration, and still validates.
  EXPECT_FALSE(feed(Fuzz::configInput, "VideoConfig2 {\n"));
}

}  // namespace
