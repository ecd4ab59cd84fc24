#pragma once
// What each fuzz target does with one input, shared by the libFuzzer targets and
// the regression test that replays the inputs kept under tests/fuzz_inputs/.
// Every entry point reads the input the way the game does and then checks what
// the reader promises; a broken promise prints why and aborts, which libFuzzer
// reports as a finding. The result tells whether the reader accepted the input.

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ferrox/body_block.h"
#include "ferrox/skeleton.h"
#include "ferrox/skeleton_cache.h"
#include "game/level_file.h"
#include "kettar/app_config.h"
#include "kettar/byte_buffer.h"
#include "kettar/config_file.h"
#include "kettar/texture_file.h"

namespace Fuzz {

[[noreturn]] inline void broken(const char* promise) {
  std::fprintf(stderr, "fuzz check failed: %s\n", promise);
  std::abort();
}

inline void check(bool holds, const char* promise) {
  if (!holds) broken(promise);
}

// A folder of this process's own for the readers that take a path; TMPDIR
// chooses where (a memory file system keeps the targets fast).
inline const std::string& scratchFolder() {
  static const std::string folder = [] {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/ombrel-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) broken("a scratch folder can be made");
    static const std::string made = pattern;
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(made, ignored);
    });
    return pattern;
  }();
  return folder;
}

inline std::string scratchPath(const char* name) { return scratchFolder() + "/" + name; }

inline void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  check(!out.fail(), "the scratch file can be written");
}

inline std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline std::string asText(const uint8_t* data, size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

inline std::string bufferBytes(const Kettar::ByteBuffer& buffer) {
  return std::string(reinterpret_cast<const char*>(buffer.data()), buffer.size());
}

// ---- ombrel.cfg -------------------------------------------------------------

struct ConfigRecords {
  Kettar::AppConfig app;
  Kettar::VideoConfig video;
  Kettar::AudioConfig audio;

  std::string written() const {
    std::ostringstream out;
    Kettar::writeConfig(out, app, video, audio);
    return out.str();
  }
  void validate(int widestWidth, int widestHeight) {
    std::ostringstream log;
    const ConfigRecords defaults;
    Kettar::validateConfig(log, app, video, audio, defaults.app, defaults.video, defaults.audio,
                           widestWidth, widestHeight);
  }
};

// The ranges validation promises to leave, for a desktop whose widest mode is
// widestWidth x widestHeight (0 x 0: no mode known).
inline void checkValidated(const ConfigRecords& c, int widestWidth, int widestHeight) {
  const bool bounded = widestWidth > 0 && widestHeight > 0;
  check(c.app.fps >= 1 && c.app.fps <= 1000, "fps is within 1..1000");
  check(c.app.pps >= 1 && c.app.pps <= 10000, "pps is within 1..10000");
  check(c.app.dualThread || c.app.pps >= c.app.fps, "one thread never steps slower than it draws");
  check(c.app.mouseSpeed >= 1 && c.app.mouseSpeed <= 100, "mouseSpeed is within 1..100");
  check(c.app.logTo == "console" || c.app.logTo == "file" || c.app.logTo == "none",
        "logTo is console, file or none");
  check(c.video.width >= 20 && c.video.height >= 20, "the window is at least 20x20");
  check(!bounded || (c.video.width <= widestWidth && c.video.height <= widestHeight),
        "the window fits the widest mode");
  check(c.video.minWidth >= 20 && c.video.minHeight >= 20, "the smallest window is at least 20x20");
  check(!bounded || (c.video.minWidth <= widestWidth && c.video.minHeight <= widestHeight),
        "the smallest window fits the widest mode");
  const int aa = c.video.antialias;
  check(aa == 0 || aa == 1 || aa == 2 || aa == 4 || aa == 8 || aa == 16 || aa == 32 || aa == 64,
        "antialias is a multisample count");
  if (!c.audio.active) return;
  check(c.audio.frequency >= 11025 && c.audio.frequency <= 48000, "the audio rate is in range");
  check(c.audio.buffer >= 64 && c.audio.buffer <= 8192, "the audio buffer is in range");
  check(c.audio.voices >= 1 && c.audio.voices <= 64, "the voice count is in range");
  check(std::llabs(int64_t(c.audio.soundVol) - c.audio.musicVol) <= 100,
        "sound and music volumes differ by at most 100");
  check(c.audio.musicFadeIn >= 0.1f && c.audio.musicFadeIn <= 30.0f, "the fade-in is in range");
  check(c.audio.musicFadeOut >= 0.1f && c.audio.musicFadeOut <= 30.0f, "the fade-out is in range");
}

// The input is an ombrel.cfg: read from a file as the game does and from memory,
// validated, written, saved and read back.
inline bool configInput(const uint8_t* data, size_t size) {
  const std::string text = asText(data, size);
  const std::string path = scratchPath("ombrel.cfg");
  writeBytes(path, text);

  ConfigRecords fromFile;
  std::ostringstream log;
  const bool read =
      Kettar::loadConfig(path, log, fromFile.app, fromFile.video, fromFile.audio);
  check(!log.str().empty(), "loading says which file it used or why not");

  ConfigRecords fromMemory;
  std::istringstream in(text);
  const bool readInMemory =
      Kettar::readConfig(in, fromMemory.app, fromMemory.video, fromMemory.audio);
  check(read == readInMemory && fromFile.written() == fromMemory.written(),
        "a file and the same bytes in memory read alike");

  const int widest[2][2] = {{1920, 1200}, {0, 0}};
  for (const auto& mode : widest) {
    ConfigRecords c = fromFile;
    c.validate(mode[0], mode[1]);
    checkValidated(c, mode[0], mode[1]);
    const std::string validated = c.written();
    c.validate(mode[0], mode[1]);
    check(c.written() == validated, "validating a validated configuration changes nothing");

    ConfigRecords again;
    std::istringstream back(validated);
    check(Kettar::readConfig(back, again.app, again.video, again.audio) &&
              again.written() == validated,
          "a written configuration reads back as written");
  }

  ConfigRecords saved;
  const std::string savedPath = scratchPath("saved.cfg");
  check(Kettar::saveConfig(savedPath, fromFile.app, fromFile.video, fromFile.audio) &&
            readBytes(savedPath) == fromFile.written(),
        "saving writes the written form");
  return read;
}

// ---- the compressed block ---------------------------------------------------

// The input is one block on a stream: u32 packed size, u32 raw size, zlib data.
inline bool compressedBlockInput(const uint8_t* data, size_t size) {
  std::istringstream in(asText(data, size));
  Kettar::ByteBuffer block;
  if (!block.loadCompressed(in)) return false;
  uint32_t packedSize = 0;
  std::memcpy(&packedSize, data, 4);
  check(block.size() <= Kettar::ByteBuffer::maxRawSize(packedSize),
        "a loaded block is within what its packed data can inflate to");
  check(in.tellg() == std::streampos(8 + std::streamoff(packedSize)),
        "loading consumes the sizes and the packed bytes, nothing more");

  std::vector<uint8_t> raw(block.size());
  check(block.read(raw.data(), block.size()) && block.remaining() == 0,
        "the whole raw block reads through the cursor");
  uint8_t past = 0xff;
  check(!block.read(&past, 1) && past == 0 && block.failed(),
        "a read past the data fails and zero-fills");

  std::ostringstream out;
  check(block.saveCompressed(out), "a loaded block saves");
  std::istringstream saved(out.str());
  Kettar::ByteBuffer again;
  check(again.loadCompressed(saved) && bufferBytes(again) == bufferBytes(block),
        "a saved block loads back with the same bytes");
  return true;
}

// ---- the body block and .fsk files ------------------------------------------

constexpr size_t kSkeletonHeaderSize = 12;

// The raw block: read as records, written back, built into a body and back.
inline bool bodyBlockChecks(Kettar::ByteBuffer& raw) {
  raw.cursor = 0;
  ferrox::BodyBlock block;
  const bool read = ferrox::readBodyBlock(raw, block);
  const uint32_t consumed = raw.cursor;

  raw.cursor = 0;
  ferrox::Skeleton body;
  check(body.deserialize(raw, true) == read, "a body reads what the block reader reads");
  if (!read) {
    check(body.quarks.count == 0 && body.links.count == 0, "a damaged block leaves the body empty");
    return false;
  }
  check(raw.cursor == consumed, "a body consumes exactly its block");
  check(body.quarks.count == block.quarks.size() && body.links.count == block.links.size(),
        "a body has a quark per record and a link per record");

  Kettar::ByteBuffer rewritten;
  ferrox::writeBodyBlock(rewritten, block);
  check(bufferBytes(rewritten) == std::string(reinterpret_cast<const char*>(raw.data()), consumed),
        "a block read and written again is byte for byte the same");

  Kettar::ByteBuffer first;
  body.serialize(first);
  ferrox::Skeleton copy(first, true);
  Kettar::ByteBuffer second;
  copy.serialize(second);
  check(bufferBytes(first) == bufferBytes(second), "a body written and read back is the same body");
  return true;
}

// The input is a skeleton file: the 12-byte header and one compressed block.
inline bool skeletonInput(const uint8_t* data, size_t size) {
  ferrox::SkeletonCache::clear();
  const std::string path = scratchPath("body.fsk");
  writeBytes(path, asText(data, size));
  const bool loaded = ferrox::SkeletonCache::load(path);
  const ferrox::Skeleton& cached = ferrox::SkeletonCache::get(path);
  check(loaded == (ferrox::SkeletonCache::size() == 1), "only a loaded file is cached");
  if (!loaded) check(cached.quarks.count == 0 && cached.links.count == 0, "a bad file gives the empty body");

  bool sound = false;
  if (size >= kSkeletonHeaderSize) {
    std::istringstream in(asText(data + kSkeletonHeaderSize, size - kSkeletonHeaderSize));
    Kettar::ByteBuffer raw;
    if (raw.loadCompressed(in)) sound = bodyBlockChecks(raw);
  }
  // The header is the loader's own check; the block's verdict must agree. What follows the
  // body block, in the block or in the file, is not read.
  check(!loaded || sound, "a cached skeleton's block starts with a sound body block");
  if (loaded) {
    const std::string savedPath = scratchPath("saved.fsk");
    check(ferrox::SkeletonCache::save(savedPath, cached), "a cached skeleton saves");
    ferrox::SkeletonCache::clear();
    check(ferrox::SkeletonCache::load(savedPath), "a saved skeleton loads");
  }
  ferrox::SkeletonCache::clear();
  return loaded;
}

// ---- .ktr files ---------------------------------------------------------------

// The input is a texture file; a read one is staged as the texture manager does.
inline bool textureInput(const uint8_t* data, size_t size) {
  std::istringstream in(asText(data, size));
  Kettar::TextureFile file;
  std::string why;
  if (!Kettar::readTextureFile(in, file, why)) {
    check(!why.empty(), "a refused texture says why");
    return false;
  }
  check(file.width > 0 && file.height > 0, "a read texture has a size");
  const uint32_t bytes = file.pixelBytes();
  check(uint64_t(file.width) * uint64_t(file.height) * 4u == bytes && bytes == file.block.remaining(),
        "the pixels are exactly what remains of the block");
  std::vector<uint8_t> staged(bytes);
  std::memcpy(staged.data(), file.block.data() + file.block.cursor, bytes);
  check(file.block.read(staged.data(), bytes) && file.block.remaining() == 0,
        "the pixels read through the cursor");
  return true;
}

// ---- .orl files -------------------------------------------------------------

inline std::string writtenLevel(const LevelFile::LevelRecord& level) {
  Kettar::ByteBuffer buffer;
  LevelFile::writeLevel(buffer, level);
  return bufferBytes(buffer);
}

// The input is a level file, read through its path as the game does.
inline bool levelInput(const uint8_t* data, size_t size) {
  const std::string bytes = asText(data, size);
  const std::string path = scratchPath("level.orl");
  writeBytes(path, bytes);

  LevelFile::LevelRecord level;
  float bestTime = 0.0f;
  bool headerRead = false;
  std::string why;
  const bool read = LevelFile::readFile(path, level, bestTime, headerRead, &why);
  check(read || !why.empty(), "a refused level says why");

  std::istringstream in(bytes);
  float headerTime = 0.0f;
  check(LevelFile::readHeader(in, headerTime) == headerRead, "the header reads alike in memory");
  check(!headerRead || std::memcmp(&headerTime, &bestTime, 4) == 0, "the best time is the header's");

  // The best time is rewritten in place, or the file is left as it was.
  const bool rewritten = LevelFile::writeBestTime(path, 12.5f);
  const std::string after = readBytes(path);
  check(rewritten == (headerRead && size >= LevelFile::kMinFileSize), "the best time is rewritten only in a level file");
  check(after.size() == bytes.size(), "rewriting the best time keeps the file's size");
  std::string expected = bytes;
  if (rewritten) {
    const float time = 12.5f;
    std::memcpy(&expected[LevelFile::kBestTimeOffset], &time, 4);
  }
  check(after == expected, "rewriting the best time touches bytes 12-15 only");
  if (!read) return false;

  std::string reason;
  check(LevelFile::checkLevel(level, &reason), "a read level passes the builder's checks");
  const std::string savedPath = scratchPath("saved.orl");
  check(LevelFile::saveFile(savedPath, bestTime, level), "a read level saves");
  LevelFile::LevelRecord again;
  float againTime = 0.0f;
  check(LevelFile::readFile(savedPath, again, againTime, headerRead, &reason) &&
            writtenLevel(again) == writtenLevel(level) && std::memcmp(&againTime, &bestTime, 4) == 0,
        "a saved level reads back as it was");
  return true;
}

}  // namespace Fuzz
