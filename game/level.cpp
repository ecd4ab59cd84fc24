#include "game/level.h"

#include <GL/glew.h>

#include <new>

#include "ferrox/grid.h"
#include "ferrox/skeleton_cache.h"
#include "game/enemy.h"
#include "game/gorvex.h"
#include "game/laser.h"
#include "game/prop.h"
#include "kettar/platform/program_directory.h"
#include "kettar/platform/texture_extension.h"
#include "kettar/texture_manager.h"

const char* const Level::kParallaxBack[LevelFile::kTableEntries] = {
    "data/textures/parallax-back-01" KETTAR_TEXTURE_EXTENSION,
    "data/textures/parallax-back-02" KETTAR_TEXTURE_EXTENSION,
    "data/textures/parallax-back-03" KETTAR_TEXTURE_EXTENSION,
    "data/textures/parallax-back-04" KETTAR_TEXTURE_EXTENSION,
    "data/textures/parallax-back-05" KETTAR_TEXTURE_EXTENSION,
    "data/textures/parallax-back-06" KETTAR_TEXTURE_EXTENSION,
    "", "", "", ""};
const char* const Level::kParallaxFront[LevelFile::kTableEntries] = {
    "data/textures/parallax-front-01" KETTAR_TEXTURE_EXTENSION,
    "data/textures/parallax-front-02" KETTAR_TEXTURE_EXTENSION,
    "data/textures/parallax-front-03" KETTAR_TEXTURE_EXTENSION,
    "data/textures/parallax-front-04" KETTAR_TEXTURE_EXTENSION,
    "", "", "", "", "", ""};
const char* const Level::kUntitledPath = "data/levels/untitled.orl";

Level* Level::current = nullptr;
uint32_t Level::backParallaxIndex = 0;
uint32_t Level::frontParallaxIndex = 0;
int32_t Level::backParallaxTexture = -1;
int32_t Level::frontParallaxTexture = -1;
float Level::backParallaxRepeat = 1.0f;
float Level::frontParallaxRepeat = 1.0f;

namespace {

float bestTimeValue = LevelFile::kNoBestTime;

constexpr float kCellSize = 0.2f;
constexpr int32_t kTextureMode = 3;
// The exit body: two fixed quarks and the fixed link between them.
constexpr float kExitMass = 0.1f;
constexpr float kExitDamping = 0.01f;
constexpr float kExitStiffness = 0.2f;
constexpr float kExitSpring = 100.0f;
constexpr float kExitFriction = 0.2f;

template <typename Object, typename Record>
void fillList(ferrox::IndexedList<Object*>& list, const std::vector<Record>& from,
              const std::string& dataRoot) {
  for (const Record& r : from) ferrox::keep(list, new Object(r, dataRoot));
}

template <typename Object, typename Record>
void recordsOf(const ferrox::IndexedList<Object*>& list, std::vector<Record>& out) {
  out.clear();
  for (const Object* o : list) out.push_back(o->record());
}

// Steps every object; one whose step is false is deleted and the last one,
// moved into its slot, is stepped in the same pass.
template <typename Object, typename Step>
void stepAndRemove(ferrox::IndexedList<Object*>& list, Step step) {
  uint32_t i = 0;
  while (i < list.count) {
    if (step(list[i])) {
      ++i;
    } else {
      list.removeAt(i);
    }
  }
}

template <typename Object>
Object* findByBody(const ferrox::IndexedList<Object*>& list, const ferrox::Skeleton* body) {
  if (body == nullptr) return nullptr;
  for (Object* o : list) {
    if (o->body() == body) return o;
  }
  return nullptr;
}

// Destroys the current level, then makes the new one current if it was built
// whole: every live body of the old level leaves the old grid before the new
// world replaces it. False (no current level) otherwise.
template <typename Make>
bool replaceCurrent(Make make) {
  delete Level::current;
  Level::current = nullptr;
  Level* level = make();
  if (!level->valid) {
    delete level;
    return false;
  }
  Level::current = level;
  return true;
}

}  // namespace

float Level::bestTime() { return bestTimeValue; }
void Level::setBestTime(float t) { bestTimeValue = t; }

bool Level::createWorld(float w, float h) { return ferrox::createWorld(Vec2(w, h), kCellSize); }

bool Level::load(const std::string& path, bool withExit, const std::string& dataRoot) {
  LevelFile::LevelRecord record;
  float best = bestTimeValue;
  bool headerRead = false;
  const bool ok = LevelFile::readFile(path, record, best, headerRead);
  if (headerRead) bestTimeValue = best;
  if (!ok) return false;
  return replaceCurrent([&] { return new Level(path, record, withExit, dataRoot); });
}

bool Level::createNew(bool inverted, float w, float h) {
  return replaceCurrent([&] { return new Level(inverted, w, h); });
}

Level::Level(const std::string& p, const LevelFile::LevelRecord& record, bool withExit,
             const std::string& root)
    : path(p),
      width(record.width),
      height(record.height),
      start(record.start),
      exitA(record.exitA),
      exitB(record.exitB),
      dataRoot(root) {
  backParallaxRepeat = record.backRepeat;
  frontParallaxRepeat = record.frontRepeat;
  loadParallax(0, record.backParallax);
  loadParallax(1, record.frontParallax);
  // Records that were read whole can still ask for more than the memory holds
  // once built (a polygon of millions of vertices): such a level is refused as
  // one that cannot be read, and what was built goes with it.
  try {
    if (!createWorld(width, height)) return;
    terrain = new Terrain(record.terrain, width, height);
    fillList<Enemy>(enemies, record.enemies, dataRoot);
    fillList<Prop>(props, record.props, dataRoot);
    fillList<Gorvex>(gorvexes, record.turrets, dataRoot);
    ferrox::reserve(decals, record.decals.size());
    for (const LevelFile::DecalRecord& d : record.decals) decals.pushBack(Decal(d, dataRoot));
    if (withExit) createExit();
  } catch (const std::bad_alloc&) {
    return;
  }
  valid = 1;
}

Level::Level(bool inverted, float w, float h)
    : path(Kettar::executableDirectory + kUntitledPath),
      width(w),
      height(h),
      dataRoot(Kettar::executableDirectory) {
  if (!LevelFile::checkLevelSize(w, h) || !createWorld(w, h)) return;
  terrain = new Terrain(inverted, w, h);
  loadParallax(0, backParallaxIndex);
  loadParallax(1, frontParallaxIndex);
  valid = 1;
}

Level::~Level() {
  enemies.destroy();
  props.destroy();
  gorvexes.destroy();
  lasers.destroy();
  delete terrain;
  delete exitBody;
  ferrox::SkeletonCache::clear();
  decals.destroy();
}

LevelFile::LevelRecord Level::record() const {
  LevelFile::LevelRecord r;
  r.width = width;
  r.height = height;
  r.start = start;
  r.exitA = exitA;
  r.exitB = exitB;
  r.backParallax = backParallaxIndex;
  r.frontParallax = frontParallaxIndex;
  r.backRepeat = backParallaxRepeat;
  r.frontRepeat = frontParallaxRepeat;
  if (terrain) r.terrain = terrain->record();
  recordsOf(enemies, r.enemies);
  recordsOf(props, r.props);
  recordsOf(gorvexes, r.turrets);
  for (const Decal& d : decals) r.decals.push_back(d.record());
  return r;
}

bool Level::save() {
  if (!current) return false;
  return LevelFile::saveFile(current->path, bestTimeValue, current->record());
}

bool Level::saveAs(const std::string& newPath) {
  if (!current) return false;
  const std::string old = current->path;
  current->path = newPath;
  if (save()) return true;
  current->path = old;
  return false;
}

bool Level::writeBestTime(const Level* level) {
  return level && LevelFile::writeBestTime(level->path, bestTimeValue);
}

void Level::loadParallax(int32_t layer, uint32_t index) {
  if (index >= LevelFile::kTableEntries || (layer != 0 && layer != 1)) return;
  const char* entry = layer == 0 ? kParallaxBack[index] : kParallaxFront[index];
  int32_t& texture = layer == 0 ? backParallaxTexture : frontParallaxTexture;
  (layer == 0 ? backParallaxIndex : frontParallaxIndex) = index;
  texture = -1;
  if (entry[0] != '\0' && Kettar::textureManager)
    texture = Kettar::textureManager->load(Kettar::executableDirectory + entry, kTextureMode);
}

uint32_t Level::parallaxIndex(int32_t layer) { return layer == 0 ? backParallaxIndex : frontParallaxIndex; }

void Level::setParallaxRepeat(int32_t layer, float repeat) {
  (layer == 0 ? backParallaxRepeat : frontParallaxRepeat) = repeat;
}

float Level::parallaxRepeat(int32_t layer) { return layer == 0 ? backParallaxRepeat : frontParallaxRepeat; }

Level::ParallaxQuad Level::parallaxQuad(float w, float h, float depth, float repeat) {
  ParallaxQuad q;
  q.hx = 0.65f * (w + depth);
  q.hy = 0.65f * (h + depth);
  q.z = -depth;
  // The shorter side carries the repeat; a side of no length has no ratio.
  if (!(w > 0.0f && h > 0.0f)) {
    q.u = repeat;
    q.v = repeat;
  } else if (h > w) {
    q.u = repeat;
    q.v = repeat * h / w;
  } else {
    q.u = repeat * w / h;
    q.v = repeat;
  }
  return q;
}

void Level::drawParallax() const {
  const struct {
    float depth, repeat;
    int32_t texture;
  } layers[2] = {{kBackDepth, backParallaxRepeat, backParallaxTexture},
                 {kFrontDepth, frontParallaxRepeat, frontParallaxTexture}};
  for (const auto& layer : layers) {
    if (layer.texture < 0) continue;
    const ParallaxQuad q = parallaxQuad(width, height, layer.depth, layer.repeat);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(layer.texture));
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, q.v);
    glVertex3f(-q.hx, -q.hy, q.z);
    glTexCoord2f(q.u, q.v);
    glVertex3f(q.hx, -q.hy, q.z);
    glTexCoord2f(q.u, 0.0f);
    glVertex3f(q.hx, q.hy, q.z);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-q.hx, q.hy, q.z);
    glEnd();
  }
  glBindTexture(GL_TEXTURE_2D, 0);
}

void Level::draw() const {
  drawParallax();
  if (terrain) terrain->draw();
  for (Enemy* e : enemies) e->draw();
  for (const Prop* p : props) p->draw();
  for (Gorvex* g : gorvexes) g->draw();
  glBindTexture(GL_TEXTURE_2D, 0);
  for (const Laser* l : lasers) l->draw();
  for (const Decal& d : decals) d.draw();
}

void Level::drawEditor(const Level* level) {
  if (!level) return;
  level->drawParallax();
  if (level->terrain) level->terrain->draw();
  for (Enemy* e : level->enemies) e->draw();
  for (const Prop* p : level->props) p->draw();
  for (const Decal& d : level->decals) d.draw();
  for (Gorvex* g : level->gorvexes) g->draw();
  glBindTexture(GL_TEXTURE_2D, 0);
  glPushAttrib(GL_POLYGON_BIT);
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  glColor4f(0.0f, 1.0f, 0.0f, 0.5f);
  glBegin(GL_QUADS);
  glVertex3f(level->start.x - 0.25f, level->start.y - 0.25f, 0.1f);
  glVertex3f(level->start.x + 0.25f, level->start.y - 0.25f, 0.1f);
  glVertex3f(level->start.x + 0.25f, level->start.y + 0.25f, 0.1f);
  glVertex3f(level->start.x - 0.25f, level->start.y + 0.25f, 0.1f);
  glEnd();
  glPopAttrib();
  glLineWidth(6.0f);
  glColor4f(1.0f, 0.0f, 0.0f, 0.5f);
  glBegin(GL_LINES);
  glVertex3f(level->exitA.x, level->exitA.y, 0.2f);
  glVertex3f(level->exitB.x, level->exitB.y, 0.2f);
  glEnd();
}

void Level::createExit() {
  delete exitBody;
  exitBody = new ferrox::Skeleton(true);
  exitBody->addQuark(ferrox::kFixed, exitA, kExitMass, kExitDamping);
  exitBody->addQuark(ferrox::kFixed, exitB, kExitMass, kExitDamping);
  exitBody->addLink(ferrox::kFixed, 0, 1, kExitStiffness, kExitSpring, 0.0f, kExitFriction);
  // No object list holds the exit: its id must not name a slot of any list.
  exitBody->id = -1;
}

void Level::setTarget(const Hero* hero) {
  target = hero;
  for (Enemy* e : enemies) e->setTarget(hero);
  for (Gorvex* g : gorvexes) g->setTarget(hero);
}

void Level::leaveGrid(Level* level) {
  if (!level) return;
  for (Enemy* e : level->enemies) e->leaveGrid();
  for (Prop* p : level->props) p->leaveGrid();
  for (Laser* l : level->lasers) l->leaveGrid();
}

void Level::update(float dt) {
  stepAndRemove(enemies, [dt](Enemy* e) { return e->update(dt); });
  for (Prop* p : props) p->update(dt);
  stepAndRemove(gorvexes, [](Gorvex* g) { return g->update(); });
  stepAndRemove(lasers, [dt](Laser* l) { return l->update(dt); });
}

void Level::addLaser(Vec2 position, Vec2 direction) { ferrox::keep(lasers, new Laser(position, direction)); }

bool Level::isLaserBody(const ferrox::Skeleton* body) const { return findByBody(lasers, body) != nullptr; }

bool Level::isGorvexBody(const ferrox::Skeleton* body) const {
  return findByBody(gorvexes, body) != nullptr;
}

int32_t Level::propKind(const ferrox::Skeleton* body) const {
  const Prop* p = findByBody(props, body);
  return p ? static_cast<int32_t>(p->kind()) : -1;
}

int32_t Level::enemyKind(const ferrox::Skeleton* body) const {
  const Enemy* e = findByBody(enemies, body);
  return e ? static_cast<int32_t>(e->kind()) : -1;
}

Enemy* Level::findEnemy(const ferrox::Skeleton* body) const {
  return findByBody(enemies, body);
}

void Level::setExit(Vec2 a, Vec2 b) {
  exitA = a;
  exitB = b;
}

void Level::addObject(Level* level, int32_t typeCode, Vec2 position) {
  if (!level) return;
  const std::string& root = level->dataRoot;
  switch (typeCode) {
    case 0: ferrox::keep(level->enemies, new Enemy(0, position, root)); break;
    case 1: ferrox::keep(level->enemies, new Enemy(1, position, root)); break;
    case 6: ferrox::keep(level->enemies, new Enemy(2, position, root)); break;
    case 2: ferrox::keep(level->props, new Prop(position, 0, root)); break;
    case 3: ferrox::keep(level->props, new Prop(position, 1, root)); break;
    case 5: ferrox::keep(level->props, new Prop(position, 2, root)); break;
    case 4: ferrox::keep(level->gorvexes, new Gorvex(position, root)); break;
    default: return;
  }
  // A new enemy or turret knows the hero as the others do.
  level->setTarget(level->target);
}

void Level::removeObject(Level* level, int32_t typeCode, uint32_t index) {
  if (!level) return;
  switch (typeCode) {
    case 0:
    case 1:
    case 6: level->enemies.removeAt(index); break;
    case 2:
    case 3:
    case 5: level->props.removeAt(index); break;
    case 4: level->gorvexes.removeAt(index); break;
    default: break;
  }
}

void Level::addDecal(Level* level, uint32_t decalIndex, Vec2 position) {
  if (!level || decalIndex >= Decal::kEntries) return;
  ferrox::reserve(level->decals, level->decals.count + 1);
  level->decals.insertAt(Decal(position, decalIndex, level->dataRoot), 0);
}

Decal* Level::findDecal(Level* level, Vec2 point) {
  if (!level) return nullptr;
  for (Decal& d : level->decals) {
    if (d.contains(point)) return &d;
  }
  return nullptr;
}

void Level::removeDecal(Level* level, const Decal* decal) {
  if (!level || decal < level->decals.begin() || decal >= level->decals.end()) return;
  const uint32_t slot = static_cast<uint32_t>(decal - level->decals.begin());
  for (uint32_t s = slot; s + 1 < level->decals.count; ++s) level->decals[s] = level->decals[s + 1];
  --level->decals.count;
}

void Level::addTerrainRectangle(Level* level, Vec2 centre, Vec2 size) {
  if (level && level->terrain) level->terrain->addRectangle(centre, size);
}
