#include "tools/databuilder/skeleton_source.h"

#include <algorithm>
#include <iostream>

#include "ferrox/skeleton.h"
#include "ferrox/skeleton_cache.h"
#include "kettar/byte_buffer.h"
#include "tools/databuilder/canvas.h"
#include "tools/databuilder/source_text.h"

namespace databuilder {

namespace {

constexpr float kFixedMass = 999999.0f;

bool kindCode(const std::string& word, uint8_t& code) {
  if (word == "soft") code = ferrox::kBlockSoft;
  else if (word == "stiff") code = ferrox::kBlockStiff;
  else if (word == "fixed") code = ferrox::kBlockFixed;
  else return false;
  return true;
}

}  // namespace

bool parseSkeleton(const std::string& text, const std::string& fileName, ferrox::BodyBlock& body,
                   std::string& why) {
  body = ferrox::BodyBlock();
  std::vector<int> linkLines;
  for (const SourceLine& line : splitLines(text)) {
    const auto fail = [&](const std::string& reason) {
      why = fileName + ":" + std::to_string(line.number) + ": " + reason;
      return false;
    };
    const std::vector<std::string>& w = line.words;
    if (w[0] == "quark") {
      ferrox::QuarkRecord q;
      if (w.size() < 4 || !kindCode(w[1], q.kind)) return fail("expected: quark soft|stiff|fixed X Y ...");
      if (!parseNumber(w[2], q.position.x) || !parseNumber(w[3], q.position.y))
        return fail("quark position is not a number");
      q.mass = 1.0f;
      q.damping = 0.0f;
      Options options(w, 4);
      if (!options.number("mass", q.mass) || !options.number("damping", q.damping) || !options.done())
        return fail(options.error());
      if (q.kind == ferrox::kBlockFixed) {
        q.mass = kFixedMass;
        q.damping = 0.0f;
      } else if (!(q.mass > 0.0f) || !(q.damping >= 0.0f)) {
        return fail("a moving quark needs a mass above 0 and a damping of at least 0");
      }
      body.quarks.push_back(q);
    } else if (w[0] == "link") {
      ferrox::LinkRecord l;
      long a = -1, b = -1;
      if (w.size() < 4 || !kindCode(w[1], l.kind)) return fail("expected: link soft|stiff|fixed A B ...");
      if (!parseIndex(w[2], a) || !parseIndex(w[3], b)) return fail("link ends are not quark numbers");
      if (a >= long(body.quarks.size()) || b >= long(body.quarks.size()))
        return fail("link " + std::to_string(body.links.size()) + " names quark " +
                    std::to_string(std::max(a, b)) + " but only " + std::to_string(body.quarks.size()) +
                    " quarks come before it");
      if (a == b) return fail("a link needs two different quarks");
      l.a = uint32_t(a);
      l.b = uint32_t(b);
      l.radius = 0.03f;
      l.friction = 0.2f;
      bool internal = false;
      Options options(w, 4);
      if (!options.number("spring", l.springConstant) || !options.number("stiffness", l.stiffness) ||
          !options.number("radius", l.radius) || !options.number("friction", l.friction) ||
          !options.flag("internal", internal) || !options.done())
        return fail(options.error());
      if (l.kind != ferrox::kBlockSoft && l.springConstant != 0.0f)
        return fail("only a soft link has a spring");
      if (l.kind == ferrox::kBlockFixed && (internal || l.stiffness != 0.0f))
        return fail("a fixed link has neither stiffness nor the internal flag");
      if (!(l.radius > 0.0f) || !(l.friction >= 0.0f) || !(l.stiffness >= 0.0f) || !(l.springConstant >= 0.0f))
        return fail("radius must be above 0; spring, stiffness and friction at least 0");
      l.internal = internal ? 1 : 0;
      body.links.push_back(l);
      linkLines.push_back(line.number);
    } else {
      return fail("unknown line '" + w[0] + "' (expected quark or link)");
    }
  }
  if (body.quarks.empty()) {
    why = fileName + ": no quarks";
    return false;
  }
  Vec2 centroid;
  for (const ferrox::QuarkRecord& q : body.quarks) centroid += q.position;
  centroid *= 1.0f / float(body.quarks.size());
  for (ferrox::QuarkRecord& q : body.quarks) q.position -= centroid;
  for (size_t i = 0; i < body.links.size(); ++i) {
    ferrox::LinkRecord& l = body.links[i];
    l.rest = (body.quarks[l.b].position - body.quarks[l.a].position).length();
    if (l.rest <= 0.0f) {
      why = fileName + ":" + std::to_string(linkLines[i]) + ": link " + std::to_string(i) +
            " joins two quarks at the same place";
      return false;
    }
  }
  return true;
}

bool compileSkeleton(const std::string& sourcePath, const std::string& outputPath) {
  std::string text, why;
  if (!readTextFile(sourcePath, text, why)) {
    std::cerr << why << "\n";
    return false;
  }
  ferrox::BodyBlock block;
  if (!parseSkeleton(text, sourcePath, block, why)) {
    std::cerr << why << "\n";
    return false;
  }
  // Through the body the game reads, so the file is exactly what it would save.
  Kettar::ByteBuffer buffer;
  ferrox::writeBodyBlock(buffer, block);
  ferrox::Skeleton body(buffer, true);
  if (body.quarks.count != block.quarks.size() || !makeParentFolders(outputPath) ||
      !ferrox::SkeletonCache::save(outputPath, body)) {
    std::cerr << "databuilder: cannot write " << outputPath << "\n";
    return false;
  }
  return true;
}

}  // namespace databuilder
