#include "tools/databuilder/level_source.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>

#include "tools/databuilder/canvas.h"
#include "tools/databuilder/decal_art.h"
#include "tools/databuilder/source_text.h"

namespace databuilder {

namespace {

constexpr float kCellSize = 0.2f;
// Room kept between geometry and the grid's outer ring of cells: the thickest
// edge radius and a little more.
constexpr float kGridMargin = 0.1f;

// How far each thing reaches from its point: it must stand clear of every edge.
constexpr float kHeroReach = 0.65f;
constexpr float kEnemyReach[3] = {0.35f, 0.35f, 0.45f};
constexpr float kPropReach[3] = {0.75f, 0.4f, 2.6f};
constexpr float kTurretReach = 0.75f;

struct SourcePolygon {
  int line = 0;
  std::vector<Vec2> points;
  std::vector<int> lines;  // of each vertex
  std::vector<uint32_t> noHook, deadly;
};

struct Source {
  std::string file;
  LevelFile::LevelRecord level;
  int sizeLine = 0, startLine = 0, exitLine = 0, terrainLine = 0, parallaxLine = 0;
  std::vector<SourcePolygon> polygons;
  std::vector<int> enemyLines, propLines, turretLines, decalLines;
};

std::string at(const std::string& file, int line) { return file + ":" + std::to_string(line) + ": "; }

std::string point(Vec2 p) {
  char b[64];
  std::snprintf(b, sizeof b, "(%g, %g)", p.x, p.y);
  return b;
}

float cross(Vec2 o, Vec2 a, Vec2 b) { return (a - o).cross(b - o); }

bool onSegment(Vec2 p, Vec2 a, Vec2 b) {
  return std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y &&
         p.y <= std::max(a.y, b.y);
}

// p lies on the closed segment a-b.
bool onLine(Vec2 p, Vec2 a, Vec2 b) { return cross(a, b, p) == 0.0f && onSegment(p, a, b); }

// Closed segments meet (crossing, touching or overlapping).
bool segmentsMeet(Vec2 a, Vec2 b, Vec2 c, Vec2 d) {
  const float d1 = cross(c, d, a), d2 = cross(c, d, b), d3 = cross(a, b, c), d4 = cross(a, b, d);
  if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0))) return true;
  return (d1 == 0 && onSegment(a, c, d)) || (d2 == 0 && onSegment(b, c, d)) ||
         (d3 == 0 && onSegment(c, a, b)) || (d4 == 0 && onSegment(d, a, b));
}

float segmentDistance(Vec2 p, Vec2 a, Vec2 b) {
  const Vec2 ab = b - a;
  const float len2 = ab.lengthSquared();
  float t = len2 > 0 ? (p - a).dot(ab) / len2 : 0.0f;
  t = std::max(0.0f, std::min(1.0f, t));
  return (p - (a + ab * t)).length();
}

bool insidePolygon(Vec2 p, const std::vector<Vec2>& poly) {
  bool in = false;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const Vec2& a = poly[i];
    const Vec2& b = poly[j];
    if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) in = !in;
  }
  return in;
}

float signedArea(const std::vector<Vec2>& poly) {
  float area = 0.0f;
  for (size_t i = 0; i < poly.size(); ++i) area += poly[i].cross(poly[(i + 1) % poly.size()]);
  return area * 0.5f;
}

class Checker {
 public:
  explicit Checker(const Source& s) : s_(s), w_(s.level.width), h_(s.level.height) {
    const int cols = int(w_ / kCellSize), rows = int(h_ / kCellSize);
    // A point lies in the inner cells (1 .. n-2) while its cell coordinate,
    // (v + size/2) / cell + 0.5, is at least 1 and below n - 1.
    lo_ = Vec2(-w_ / 2 + 0.5f * kCellSize + kGridMargin, -h_ / 2 + 0.5f * kCellSize + kGridMargin);
    hi_ = Vec2(-w_ / 2 + (cols - 1.5f) * kCellSize - kGridMargin, -h_ / 2 + (rows - 1.5f) * kCellSize - kGridMargin);
  }

  bool inGrid(Vec2 p, float reach) const {
    return p.x - reach >= lo_.x && p.x + reach <= hi_.x && p.y - reach >= lo_.y && p.y + reach <= hi_.y;
  }

  bool solid(Vec2 p) const {
    int count = (std::fabs(p.x) <= w_ / 2 && std::fabs(p.y) <= h_ / 2) ? 1 : 0;
    for (const SourcePolygon& poly : s_.polygons) count += insidePolygon(p, poly.points) ? 1 : 0;
    return count % 2 == 1;
  }

  // The nearest edge to p, and its distance.
  float clearance(Vec2 p) const {
    float best = 1e30f;
    for (const SourcePolygon& poly : s_.polygons)
      for (size_t i = 0; i < poly.points.size(); ++i)
        best = std::min(best, segmentDistance(p, poly.points[i], poly.points[(i + 1) % poly.points.size()]));
    return best;
  }

  // Something that moves or is placed in the level: in the grid, in open space
  // and clear of the edges by its reach.
  bool standsFree(Vec2 p, float reach, const std::string& what, int line, std::string& why) const {
    if (!inGrid(p, reach)) {
      why = at(s_.file, line) + what + " at " + point(p) + " reaches outside the level's grid (keep it within " +
            point(lo_ + Vec2(reach, reach)) + " .. " + point(hi_ - Vec2(reach, reach)) + ")";
      return false;
    }
    if (solid(p)) {
      why = at(s_.file, line) + what + " at " + point(p) + " is inside solid terrain";
      return false;
    }
    if (clearance(p) < reach) {
      char distance[16];
      std::snprintf(distance, sizeof distance, "%g", reach);
      why = at(s_.file, line) + what + " at " + point(p) + " is closer than " + distance + " to an edge";
      return false;
    }
    return true;
  }

  bool polygons(std::string& why) const {
    for (size_t n = 0; n < s_.polygons.size(); ++n) {
      const SourcePolygon& p = s_.polygons[n];
      const size_t count = p.points.size();
      const std::string name = "polygon " + std::to_string(n);
      if (count < 3) {
        why = at(s_.file, p.line) + name + " has " + std::to_string(count) + " vertices; it needs at least 3";
        return false;
      }
      for (size_t i = 0; i < count; ++i) {
        if (!inGrid(p.points[i], 0.0f)) {
          why = at(s_.file, p.lines[i]) + name + " vertex " + std::to_string(i) + " at " + point(p.points[i]) +
                " lies outside the level's grid (keep it within " + point(lo_) + " .. " + point(hi_) + ")";
          return false;
        }
        if (p.points[i] == p.points[(i + 1) % count]) {
          why = at(s_.file, p.lines[i]) + name + " edge " + std::to_string(i) + " has no length";
          return false;
        }
      }
      for (size_t i = 0; i < count; ++i) {
        for (size_t j = i + 1; j < count; ++j) {
          const Vec2 a = p.points[i], b = p.points[(i + 1) % count];
          const Vec2 c = p.points[j], d = p.points[(j + 1) % count];
          // Neighbouring edges share a vertex; they are bad only when one
          // folds back over the other.
          bool bad;
          if (j == i + 1) bad = onLine(a, c, d) || onLine(d, a, b);
          else if (i == 0 && j == count - 1) bad = onLine(b, c, d) || onLine(c, a, b);
          else bad = segmentsMeet(a, b, c, d);
          if (bad) {
            why = at(s_.file, p.lines[j]) + name + " crosses itself: edge " + std::to_string(j) +
                  " meets edge " + std::to_string(i) + " (line " + std::to_string(p.lines[i]) + ")";
            return false;
          }
        }
      }
      if (std::fabs(signedArea(p.points)) < 1e-4f) {
        why = at(s_.file, p.line) + name + " has no area";
        return false;
      }
      for (size_t m = 0; m < n; ++m) {
        const SourcePolygon& q = s_.polygons[m];
        for (size_t i = 0; i < count; ++i)
          for (size_t j = 0; j < q.points.size(); ++j)
            if (segmentsMeet(p.points[i], p.points[(i + 1) % count], q.points[j], q.points[(j + 1) % q.points.size()])) {
              why = at(s_.file, p.lines[i]) + name + " crosses polygon " + std::to_string(m) + " (edge " +
                    std::to_string(i) + " meets its edge " + std::to_string(j) + ", line " +
                    std::to_string(q.lines[j]) + ")";
              return false;
            }
      }
    }
    return true;
  }

  // Open space must be closed in by polygon edges: the level rectangle has no
  // body, so a laser or a body leaving through a gap to it is never stopped.
  bool enclosed(std::string& why) const {
    const int steps = 200;
    for (int i = 0; i <= steps; ++i) {
      const float t = float(i) / steps;
      const Vec2 edge[4] = {Vec2(lo_.x + (hi_.x - lo_.x) * t, lo_.y), Vec2(lo_.x + (hi_.x - lo_.x) * t, hi_.y),
                            Vec2(lo_.x, lo_.y + (hi_.y - lo_.y) * t), Vec2(hi_.x, lo_.y + (hi_.y - lo_.y) * t)};
      for (const Vec2& p : edge) {
        if (!solid(p)) {
          why = at(s_.file, s_.sizeLine) + "open space reaches the level's edge near " + point(p) +
                ": it must be closed in by terrain edges";
          return false;
        }
      }
    }
    return true;
  }

  // 1 when the polygon's border band must lie right of its outline (the side
  // the odd rule makes solid), else 0.
  uint8_t orientation(const SourcePolygon& p) const {
    // A point a hair left of the first edge's middle; left is inside for a
    // counter-clockwise outline.
    const Vec2 a = p.points[0], b = p.points[1];
    Vec2 left(-(b.y - a.y), b.x - a.x);
    left.setLength(1e-3f);
    const bool leftSolid = solid((a + b) * 0.5f + left);
    return leftSolid ? 0 : 1;
  }

 private:
  const Source& s_;
  float w_, h_;
  Vec2 lo_, hi_;
};

bool kindIndex(const std::string& word, const std::vector<std::string>& names, uint32_t& index) {
  const auto found = std::find(names.begin(), names.end(), word);
  if (found == names.end()) return false;
  index = uint32_t(found - names.begin());
  return true;
}

std::string joined(const std::vector<std::string>& names) {
  std::string s;
  for (const std::string& n : names) s += (s.empty() ? "" : ", ") + n;
  return s;
}

bool decalIndex(const std::string& word, uint32_t& index) {
  const size_t a = word.find('/'), b = word.rfind('/');
  if (a == std::string::npos || a == b) return false;
  uint32_t theme, kind;
  long n;
  if (!kindIndex(word.substr(0, a), decalThemes(), theme) || !kindIndex(word.substr(a + 1, b - a - 1), decalKinds(), kind) ||
      !parseIndex(word.substr(b + 1), n) || n < 1 || n > 16)
    return false;
  index = theme * 80 + kind * 16 + uint32_t(n - 1);
  return true;
}

bool parseVec(const std::vector<std::string>& w, size_t i, Vec2& v) {
  return i + 1 < w.size() && parseNumber(w[i], v.x) && parseNumber(w[i + 1], v.y);
}

// A 1-based file number of a table with `count` files, as a 0-based index.
bool tableNumber(Options& o, const std::string& key, uint32_t count, uint32_t& index, bool& present,
                 std::string& why) {
  float n = -1.0f;
  if (!o.number(key, n)) {
    why = o.error();
    return false;
  }
  present = n != -1.0f;
  if (!present) return true;
  if (n != std::floor(n) || n < 1 || n > float(count)) {
    why = key + "=" + std::to_string(int(n)) + " is not a file number from 1 to " + std::to_string(count);
    return false;
  }
  index = uint32_t(n) - 1;
  return true;
}

bool parse(const std::string& text, Source& s, std::string& why) {
  LevelFile::LevelRecord& L = s.level;
  SourcePolygon* open = nullptr;
  const std::vector<std::string> enemyKinds = {"vaxer", "vazer", "skarnox"};
  const std::vector<std::string> propKinds = {"crate", "barrel", "bar"};
  for (const SourceLine& line : splitLines(text)) {
    const std::vector<std::string>& w = line.words;
    const auto fail = [&](const std::string& reason) {
      why = at(s.file, line.number) + reason;
      return false;
    };
    if (open != nullptr) {
      if (w[0] == "end" && w.size() == 1) {
        open = nullptr;
        continue;
      }
      Vec2 v;
      if (!parseVec(w, 0, v) || w.size() > 3) return fail("expected a vertex 'X Y [deadly|nohook]' or 'end'");
      const uint32_t edge = uint32_t(open->points.size());
      if (w.size() == 3) {
        if (w[2] == "deadly") open->deadly.push_back(edge);
        else if (w[2] == "nohook") open->noHook.push_back(edge);
        else return fail("unknown edge type '" + w[2] + "' (deadly or nohook)");
      }
      open->points.push_back(v);
      open->lines.push_back(line.number);
      continue;
    }
    const std::string& key = w[0];
    if (key == "size") {
      if (w.size() != 3 || !parseNumber(w[1], L.width) || !parseNumber(w[2], L.height)) return fail("expected: size W H");
      std::string reason;
      if (!LevelFile::checkLevelSize(L.width, L.height, &reason)) return fail(reason);
      s.sizeLine = line.number;
    } else if (key == "start") {
      if (w.size() != 3 || !parseVec(w, 1, L.start)) return fail("expected: start X Y");
      s.startLine = line.number;
    } else if (key == "exit") {
      if (w.size() != 5 || !parseVec(w, 1, L.exitA) || !parseVec(w, 3, L.exitB)) return fail("expected: exit X1 Y1 X2 Y2");
      if (L.exitA == L.exitB) return fail("the exit has no length");
      s.exitLine = line.number;
    } else if (key == "parallax") {
      Options o(w, 1);
      bool back = false, front = false;
      std::string reason;
      if (!tableNumber(o, "back", 6, L.backParallax, back, reason) ||
          !tableNumber(o, "front", 4, L.frontParallax, front, reason))
        return fail(reason);
      if (!o.number("back-repeat", L.backRepeat) || !o.number("front-repeat", L.frontRepeat) || !o.done())
        return fail(o.error());
      if (!back || !front) return fail("expected: parallax back=N front=N");
      if (!(L.backRepeat > 0.0f) || !(L.frontRepeat > 0.0f)) return fail("a parallax repeat must be above 0");
      s.parallaxLine = line.number;
    } else if (key == "terrain") {
      Options o(w, 1);
      bool texture = false, border = false, inverted = false;
      std::string reason;
      if (!tableNumber(o, "texture", 7, L.terrain.textureIndex, texture, reason) ||
          !tableNumber(o, "border", 4, L.terrain.borderTextureIndex, border, reason))
        return fail(reason);
      if (!o.number("scale", L.terrain.textureScale) || !o.flag("inverted", inverted) || !o.done()) return fail(o.error());
      if (!texture || !border) return fail("expected: terrain texture=N border=N");
      if (!(L.terrain.textureScale > 0.0f)) return fail("the texture scale must be above 0");
      L.terrain.inverted = inverted ? 1 : 0;
      s.terrainLine = line.number;
    } else if (key == "polygon") {
      if (w.size() != 1) return fail("'polygon' stands alone; its vertices follow, one a line");
      s.polygons.emplace_back();
      open = &s.polygons.back();
      open->line = line.number;
    } else if (key == "enemy") {
      LevelFile::EnemyRecord e;
      if (w.size() != 4 || !parseVec(w, 2, e.position)) return fail("expected: enemy KIND X Y");
      if (!kindIndex(w[1], enemyKinds, e.kind)) return fail("unknown enemy '" + w[1] + "' (" + joined(enemyKinds) + ")");
      L.enemies.push_back(e);
      s.enemyLines.push_back(line.number);
    } else if (key == "prop") {
      LevelFile::PropRecord p;
      if (w.size() != 4 || !parseVec(w, 2, p.position)) return fail("expected: prop KIND X Y");
      if (!kindIndex(w[1], propKinds, p.kind)) return fail("unknown prop '" + w[1] + "' (" + joined(propKinds) + ")");
      L.props.push_back(p);
      s.propLines.push_back(line.number);
    } else if (key == "turret") {
      LevelFile::TurretRecord t;
      t.interval = 1.0f;
      t.phase = 100.0f;
      bool flip = false;
      if (w.size() < 3 || !parseVec(w, 1, t.position)) return fail("expected: turret X Y ...");
      Options o(w, 3);
      if (!o.number("rotation", t.rotation) || !o.number("interval", t.interval) || !o.number("phase", t.phase) ||
          !o.flag("flip", flip) || !o.done())
        return fail(o.error());
      if (!(t.interval > 0.0f) || !(t.phase >= 0.0f && t.phase <= 100.0f))
        return fail("a turret needs an interval above 0 and a phase from 0 to 100");
      t.flip = flip ? 1 : 0;
      L.turrets.push_back(t);
      s.turretLines.push_back(line.number);
    } else if (key == "decal") {
      LevelFile::DecalRecord d;
      bool fx = false, fy = false;
      if (w.size() < 4 || !parseVec(w, 2, d.position)) return fail("expected: decal THEME/KIND/N X Y ...");
      if (!decalIndex(w[1], d.index))
        return fail("no decal '" + w[1] + "' (THEME/KIND/N with THEME one of " + joined(decalThemes()) +
                    ", KIND one of " + joined(decalKinds()) + ", N from 1 to 16)");
      Options o(w, 4);
      if (!o.number("scale", d.scale) || !o.number("rotation", d.rotation) || !o.flag("flipx", fx) ||
          !o.flag("flipy", fy) || !o.done())
        return fail(o.error());
      if (!(d.scale > 0.0f)) return fail("a decal's scale must be above 0");
      d.flipX = fx ? 1 : 0;
      d.flipY = fy ? 1 : 0;
      L.decals.push_back(d);
      s.decalLines.push_back(line.number);
    } else {
      return fail("unknown line '" + key + "'");
    }
  }
  if (open != nullptr) {
    why = at(s.file, open->line) + "polygon has no 'end'";
    return false;
  }
  const struct {
    int line;
    const char* what;
  } required[] = {{s.sizeLine, "size"}, {s.startLine, "start"}, {s.exitLine, "exit"},
                  {s.parallaxLine, "parallax"}, {s.terrainLine, "terrain"}};
  for (const auto& r : required)
    if (r.line == 0) {
      why = s.file + ": no '" + r.what + "' line";
      return false;
    }
  return true;
}

bool check(const Source& s, std::string& why) {
  const LevelFile::LevelRecord& L = s.level;
  const Checker c(s);
  if (!c.polygons(why) || !c.enclosed(why)) return false;
  if (!c.standsFree(L.start, kHeroReach, "the start", s.startLine, why)) return false;
  for (const Vec2& e : {L.exitA, L.exitB})
    if (!c.standsFree(e, 0.1f, "the exit's end", s.exitLine, why)) return false;
  for (size_t i = 0; i < L.enemies.size(); ++i)
    if (!c.standsFree(L.enemies[i].position, kEnemyReach[L.enemies[i].kind], "enemy " + std::to_string(i),
                      s.enemyLines[i], why))
      return false;
  for (size_t i = 0; i < L.props.size(); ++i)
    if (!c.standsFree(L.props[i].position, kPropReach[L.props[i].kind], "prop " + std::to_string(i), s.propLines[i], why))
      return false;
  for (size_t i = 0; i < L.turrets.size(); ++i) {
    // Turrets are mounted on walls: their centre stands in open space, their
    // body may touch the ground they are fixed to.
    const Vec2 p = L.turrets[i].position;
    if (!c.inGrid(p, kTurretReach) || c.solid(p)) {
      why = at(s.file, s.turretLines[i]) + "turret " + std::to_string(i) + " at " + point(p) +
            (c.solid(p) ? " is inside solid terrain" : " reaches outside the level's grid");
      return false;
    }
  }
  for (size_t i = 0; i < L.decals.size(); ++i)
    if (!c.inGrid(L.decals[i].position, 0.0f)) {
      why = at(s.file, s.decalLines[i]) + "decal " + std::to_string(i) + " at " + point(L.decals[i].position) +
            " lies outside the level's grid";
      return false;
    }
  return true;
}

}  // namespace

bool parseLevel(const std::string& text, const std::string& fileName, LevelFile::LevelRecord& level,
                std::string& why) {
  Source s;
  s.file = fileName;
  if (!parse(text, s, why) || !check(s, why)) return false;
  const Checker c(s);
  s.level.terrain.polygons.clear();
  for (const SourcePolygon& p : s.polygons) {
    LevelFile::PolygonRecord record = LevelFile::polygonFromOutline(p.points, c.orientation(p));
    record.noHookEdges = p.noHook;
    record.deadlyEdges = p.deadly;
    s.level.terrain.polygons.push_back(record);
  }
  std::string reason;
  if (!LevelFile::checkLevel(s.level, &reason)) {
    why = fileName + ": " + reason;
    return false;
  }
  level = s.level;
  return true;
}

bool compileLevel(const std::string& sourcePath, const std::string& outputPath) {
  std::string text, why;
  LevelFile::LevelRecord level;
  if (!readTextFile(sourcePath, text, why) || !parseLevel(text, sourcePath, level, why)) {
    std::cerr << why << "\n";
    return false;
  }
  if (!makeParentFolders(outputPath) || !LevelFile::saveFile(outputPath, LevelFile::kNoBestTime, level)) {
    std::cerr << "databuilder: cannot write " << outputPath << "\n";
    return false;
  }
  return true;
}

}  // namespace databuilder
