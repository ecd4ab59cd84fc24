#pragma once
// Helpers shared by the body tests: the process-wide settings put back after
// each test, a small world, and a look into the grid's cells.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "ferrox/grid.h"
#include "ferrox/link.h"
#include "ferrox/settings.h"
#include "kettar/byte_buffer.h"

namespace bodytest {

// Restores every setting a test may change, and leaves no world behind.
struct SettingsFixture : ::testing::Test {
  Vec2 savedGravity = ferrox::gravity;
  float savedDamping = ferrox::dampingScale;
  float savedFriction = ferrox::frictionScale;
  uint8_t savedInternal = ferrox::internalCollisions;
  void TearDown() override {
    ferrox::gravity = savedGravity;
    ferrox::dampingScale = savedDamping;
    ferrox::frictionScale = savedFriction;
    ferrox::internalCollisions = savedInternal;
    ferrox::destroyWorld();
  }
};

// A 10 x 8 world with cells of 0.2, as a level would make it.
struct WorldFixture : SettingsFixture {
  void SetUp() override { ASSERT_TRUE(ferrox::createWorld(10, 8, 0.2f)); }
};

// How many cell entries of the world name the link.
inline uint32_t cellEntries(const ferrox::Link* link) {
  uint32_t n = 0;
  for (int32_t c = 0; c < ferrox::world->cols; ++c)
    for (int32_t r = 0; r < ferrox::world->rows; ++r) {
      const ferrox::GridCell& cell = ferrox::world->cell(c, r);
      for (uint32_t i = 0; i < cell.count; ++i) n += cell.links[i] == link;
    }
  return n;
}

inline uint32_t pairsNaming(const ferrox::Link* link) {
  uint32_t n = 0;
  for (const ferrox::ContactPair& p : ferrox::world->pairs) n += p.first == link || p.second == link;
  return n;
}

inline std::string hex(const Kettar::ByteBuffer& buffer) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (uint32_t i = 0; i < buffer.size(); ++i) {
    if (i) s += ' ';
    s += digits[buffer.data()[i] >> 4];
    s += digits[buffer.data()[i] & 15];
  }
  return s;
}

inline Kettar::ByteBuffer fromHex(const std::string& text) {
  Kettar::ByteBuffer buffer;
  for (size_t i = 0; i + 1 < text.size();) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    const uint8_t byte = static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16));
    buffer.put(byte);
    i += 2;
  }
  return buffer;
}

}  // namespace bodytest
