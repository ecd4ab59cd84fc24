// The skeleton compiler's reading of its sources: bad lines are refused with
// file and line, and a good source comes out centred with rest lengths.

#include <gtest/gtest.h>

#include "tools/databuilder/skeleton_source.h"

namespace {

TEST(SkeletonSource, RefusesBadLinesNamingFileAndLine) {
  struct Case {
    const char* name;
    const char* source;
    const char* expected;
  };
  const Case cases[] = {
      {"unknown kind", "quark jelly 0 0\n", "s.txt:1: expected: quark soft|stiff|fixed X Y"},
      {"position not a number", "quark soft 0 up\n", "s.txt:1: quark position is not a number"},
      {"massless moving quark", "quark soft 0 0 mass=0\n", "s.txt:1: a moving quark needs a mass above 0"},
      {"link to a later quark", "quark soft 0 0\nquark soft 1 0\nlink soft 0 2\n",
       "s.txt:3: link 0 names quark 2 but only 2 quarks come before it"},
      {"link to itself", "quark soft 0 0\n\nlink soft 0 0\n", "s.txt:3: a link needs two different quarks"},
      {"spring on a stiff link", "quark stiff 0 0\nquark stiff 1 0\nlink stiff 0 1 spring=5\n",
       "s.txt:3: only a soft link has a spring"},
      {"unknown option", "quark soft 0 0 weight=2\n", "s.txt:1: unknown word 'weight=2'"},
      {"two quarks in one place", "quark soft 1 1\n# same place\nquark soft 1 1\nlink soft 0 1\n",
       "s.txt:4: link 0 joins two quarks at the same place"},
      {"nothing at all", "# empty\n", "s.txt: no quarks"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ferrox::BodyBlock body;
    std::string why;
    EXPECT_FALSE(databuilder::parseSkeleton(c.source, "s.txt", body, why));
    EXPECT_EQ(why.rfind(c.expected, 0), 0u) << why;
  }
}

TEST(SkeletonSource, CentresOnTheCentroidAndMeasuresRestLengths) {
  const char* source =
      "quark soft 1 1 mass=0.5 damping=0.1\n"
      "quark stiff 3 1 mass=2\n"
      "quark fixed 2 4 mass=7\n"
      "link soft 0 1 spring=100 stiffness=2 radius=0.05 friction=0.4\n"
      "link fixed 1 2 radius=0.1\n"
      "link stiff 2 0 stiffness=0.1 internal\n";
  ferrox::BodyBlock body;
  std::string why;
  ASSERT_TRUE(databuilder::parseSkeleton(source, "s.txt", body, why)) << why;
  ASSERT_EQ(body.quarks.size(), 3u);
  EXPECT_FLOAT_EQ(body.quarks[0].position.x, -1.0f);
  EXPECT_FLOAT_EQ(body.quarks[0].position.y, -1.0f);
  EXPECT_FLOAT_EQ(body.quarks[2].position.y, 2.0f);
  EXPECT_FLOAT_EQ(body.quarks[0].mass, 0.5f);
  EXPECT_FLOAT_EQ(body.quarks[2].mass, 999999.0f);  // fixed quarks are written as the game holds them
  ASSERT_EQ(body.links.size(), 3u);
  EXPECT_FLOAT_EQ(body.links[0].rest, 2.0f);
  EXPECT_FLOAT_EQ(body.links[0].springConstant, 100.0f);
  EXPECT_EQ(body.links[1].kind, ferrox::kBlockFixed);
  EXPECT_EQ(body.links[2].internal, 1);
  EXPECT_FLOAT_EQ(body.links[2].rest, std::sqrt(10.0f));
}

}  // namespace
