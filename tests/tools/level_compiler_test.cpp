// The level compiler's checks: each bad source is refused with a message that
// names the file and the line, and a good one gets its border bands on the
// solid side.

#include <gtest/gtest.h>

#include "tools/databuilder/level_source.h"

namespace {

const char* kHead =
    "size 40 20\n"              // line 1
    "start -15 0\n"             // line 2
    "exit 15 -2 15 2\n"         // line 3
    "parallax back=1 front=1\n" // line 4
    "terrain texture=1 border=1\n"; // line 5

// The room every case starts from: open space inside this outline.
const char* kRoom =
    "polygon\n"        // line 6
    "  -18 -5\n"       // line 7
    "   18 -5\n"       // line 8
    "   18  5\n"       // line 9
    "  -18  5\n"       // line 10
    "end\n";           // line 11

struct Case {
  const char* name;
  std::string source;
  std::string expected;  // the start of the message
};

TEST(LevelCompiler, RefusesBadSourcesNamingFileAndLine) {
  const std::string head = kHead, room = kRoom;
  const Case cases[] = {
      {"crossing polygons", head + room + "polygon\n -19 -2\n -10 -2\n -10 2\n -19 2\nend\n",
       "levels/bad.txt:13: polygon 1 crosses polygon 0"},
      {"polygon crossing itself", head + "polygon\n -18 -5\n 18 5\n 18 -5\n -18 5\nend\n",
       "levels/bad.txt:9: polygon 0 crosses itself"},
      {"too few vertices", head + room + "polygon\n 0 0\n 1 1\nend\n",
       "levels/bad.txt:12: polygon 1 has 2 vertices; it needs at least 3"},
      {"zero-length edge", head + "polygon\n -18 -5\n 18 -5\n 18 -5\n 18 5\n -18 5\nend\n",
       "levels/bad.txt:8: polygon 0 edge 1 has no length"},
      {"vertex outside the grid", head + "polygon\n -18 -5\n 19.95 -5\n 18 5\n -18 5\nend\n",
       "levels/bad.txt:8: polygon 0 vertex 1 at (19.95, -5) lies outside the level's grid"},
      {"start in solid ground", std::string("size 40 20\nstart -19 0\nexit 15 -2 15 2\nparallax back=1 front=1\nterrain texture=1 border=1\n") + room,
       "levels/bad.txt:2: the start at (-19, 0) is inside solid terrain"},
      {"enemy against a wall", head + room + "enemy vaxer 17.8 0\n",
       "levels/bad.txt:12: enemy 0 at (17.8, 0) is closer than"},
      {"parallax past its table", std::string("size 40 20\nstart -15 0\nexit 15 -2 15 2\nparallax back=7 front=1\n"),
       "levels/bad.txt:4: back=7 is not a file number from 1 to 6"},
      {"decal past its catalogue", head + room + "decal moss/vegs/17 0 0\n", "levels/bad.txt:12: no decal 'moss/vegs/17'"},
      {"unknown enemy", head + room + "enemy dragon 0 0\n", "levels/bad.txt:12: unknown enemy 'dragon'"},
      {"unknown prop", head + room + "prop piano 0 0\n", "levels/bad.txt:12: unknown prop 'piano'"},
      {"polygon never ended", head + "polygon\n 0 0\n", "levels/bad.txt:6: polygon has no 'end'"},
      {"no exit", std::string("size 40 20\nstart 0 0\nparallax back=1 front=1\nterrain texture=1 border=1\n") + room,
       "levels/bad.txt: no 'exit' line"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LevelFile::LevelRecord level;
    std::string why;
    EXPECT_FALSE(databuilder::parseLevel(c.source, "levels/bad.txt", level, why));
    EXPECT_EQ(why.compare(0, c.expected.size(), c.expected), 0) << why;
  }
}

TEST(LevelCompiler, PutsEachBorderBandOnTheSolidSide) {
  // A hollow room drawn counter-clockwise (solid outside: band on the right,
  // flag 1), a solid island in it drawn clockwise (solid inside, which is on
  // the right of a clockwise outline: flag 1) and one drawn counter-clockwise
  // (flag 0).
  const std::string source = std::string(kHead) + kRoom +
                             "polygon\n -5 -1\n -5 1\n -3 1\n -3 -1\nend\n"
                             "polygon\n 3 -1\n 5 -1\n 5 1\n 3 1\nend\n";
  LevelFile::LevelRecord level;
  std::string why;
  ASSERT_TRUE(databuilder::parseLevel(source, "levels/good.txt", level, why)) << why;
  ASSERT_EQ(level.terrain.polygons.size(), 3u);
  EXPECT_EQ(level.terrain.polygons[0].orientation, 1);
  EXPECT_EQ(level.terrain.polygons[1].orientation, 1);
  EXPECT_EQ(level.terrain.polygons[2].orientation, 0);
  EXPECT_EQ(level.backParallax, 0u);
  EXPECT_EQ(level.terrain.textureIndex, 0u);
}

TEST(LevelCompiler, TypesTheEdgeThatLeavesAMarkedVertex) {
  const std::string source = std::string(kHead) +
                             "polygon\n -18 -5 deadly\n 18 -5\n 18 5 nohook\n -18 5\nend\n"
                             "decal timezone/misc/16 0 0 flipx\n";
  LevelFile::LevelRecord level;
  std::string why;
  ASSERT_TRUE(databuilder::parseLevel(source, "levels/good.txt", level, why)) << why;
  EXPECT_EQ(level.terrain.polygons[0].deadlyEdges, std::vector<uint32_t>{0});
  EXPECT_EQ(level.terrain.polygons[0].noHookEdges, std::vector<uint32_t>{2});
  ASSERT_EQ(level.decals.size(), 1u);
  EXPECT_EQ(level.decals[0].index, 479u);
  EXPECT_EQ(level.decals[0].flipX, 1);
}

}  // namespace
