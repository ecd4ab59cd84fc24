#include "kettar/shader_manager.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include "kettar/particle_system.h"
#include "media_assets.h"

namespace {

using media_test::CoutCapture;
using media_test::TempDir;

const char* const kVertex = "void main() { gl_Position = gl_Vertex; }";
const char* const kOtherVertex = "void main() { gl_Position = gl_Vertex * 2.0; }";
const char* const kFragment = "void main() { gl_FragColor = vec4(1.0); }";

TEST(ReadTextFileTest, ReadsWholeFilesAndGivesEmptyForMissingOnes) {
  TempDir dir;
  media_test::writeFile(dir.path("a.vert"), "line one\nline two\n");
  EXPECT_EQ(Kettar::readTextFile(dir.path("a.vert")), "line one\nline two\n");
  EXPECT_EQ(Kettar::readTextFile(dir.path("missing.vert")), "");
  media_test::writeFile(dir.path("empty.vert"), "");
  EXPECT_EQ(Kettar::readTextFile(dir.path("empty.vert")), "");
}

// Without GLSL (no program made) nothing reaches OpenGL: there is no context
// here at all, so any GL call would crash.
TEST(ShaderManagerWithoutGlslTest, MakesNoGlCall) {
  TempDir dir;
  media_test::writeFile(dir.path("v.vert"), kVertex);
  Kettar::ShaderManager shaders;
  EXPECT_EQ(shaders.compileShader(kVertex, GL_VERTEX_SHADER), -1);
  EXPECT_EQ(shaders.loadShader(dir.path("v.vert"), GL_VERTEX_SHADER), -1);
  EXPECT_FALSE(shaders.checkCompile(0));
  EXPECT_FALSE(shaders.checkLink());
  shaders.attachShader(0);
  shaders.detachShader(0);
  EXPECT_FALSE(shaders.linkProgram());
  shaders.destroyProgram();
  EXPECT_EQ(shaders.count(), 0);
}

class ShaderManagerTest : public media_test::GlWindowTest {
 protected:
  void SetUp() override {
    GlWindowTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    geometryResult = shaders.createProgram();
    ASSERT_TRUE(shaders.shadersSupported());
  }
  std::vector<GLuint> attached() {
    GLuint names[8] = {};
    GLsizei n = 0;
    glGetAttachedShaders(shaders.program(), 8, &n, names);
    return std::vector<GLuint>(names, names + n);
  }
  GLuint shaderOf(int slot) { return static_cast<GLuint>(shaders.slot(slot).shader); }

  Kettar::ShaderManager shaders;
  bool geometryResult = false;  // what createProgram gave
};

// The result is the geometry flag (false on this machine's Mesa); the program is made
// without geometry shaders all the same.
TEST_F(ShaderManagerTest, CreatingTheProgramGivesTheGeometryFlag) {
  EXPECT_TRUE(shaders.shadersSupported());
  EXPECT_EQ(shaders.geometrySupported(), static_cast<bool>(GLEW_ARB_geometry_shader4));
  EXPECT_EQ(geometryResult, static_cast<bool>(GLEW_ARB_geometry_shader4));
  EXPECT_NE(shaders.program(), 0u);
  for (auto r : {Kettar::ShaderManager::kVertexRole, Kettar::ShaderManager::kGeometryRole,
                 Kettar::ShaderManager::kFragmentRole})
    EXPECT_EQ(shaders.role(r), -1);
}

TEST_F(ShaderManagerTest, TheTableHolds30AndAFailedCompileFreesItsSlot) {
  CoutCapture log;
  EXPECT_EQ(shaders.compileShader("this is not GLSL", GL_FRAGMENT_SHADER), -1);
  EXPECT_FALSE(log.text().empty());  // the compiler's complaint
  EXPECT_EQ(shaders.compileShader(kFragment, GL_FRAGMENT_SHADER), 0);
  for (int i = 1; i < Kettar::ShaderManager::kSlotCount; ++i)
    ASSERT_EQ(shaders.compileShader(kVertex, GL_VERTEX_SHADER), i);
  const size_t printed = log.text().size();
  EXPECT_EQ(shaders.compileShader(kVertex, GL_VERTEX_SHADER), -1);
  EXPECT_EQ(log.text().size(), printed);  // full: no message
  EXPECT_EQ(shaders.count(), 30);
}

TEST_F(ShaderManagerTest, AnEmptyLogIsOneEmptyLine) {
  CoutCapture log;
  ASSERT_EQ(shaders.compileShader(kVertex, GL_VERTEX_SHADER), 0);
  // This compiler has nothing to say about a good shader.
  EXPECT_EQ(log.text(), "\n");
}

TEST_F(ShaderManagerTest, LoadingFromFiles) {
  TempDir dir;
  media_test::writeFile(dir.path("v.vert"), kVertex);
  media_test::writeFile(dir.path("empty.vert"), "");
  CoutCapture quiet;
  EXPECT_EQ(shaders.loadShader(dir.path("missing.vert"), GL_VERTEX_SHADER), -1);
  EXPECT_EQ(shaders.loadShader(dir.path("empty.vert"), GL_VERTEX_SHADER), -1);
  EXPECT_EQ(shaders.loadShader(dir.path("v.vert"), GL_VERTEX_SHADER), 0);
}

TEST_F(ShaderManagerTest, RolesAttachDetachAndLink) {
  CoutCapture log;
  const int vertex = shaders.compileShader(kVertex, GL_VERTEX_SHADER);
  const int other = shaders.compileShader(kOtherVertex, GL_VERTEX_SHADER);
  const int fragment = shaders.compileShader(kFragment, GL_FRAGMENT_SHADER);
  ASSERT_EQ(fragment, 2);
  shaders.attachShader(vertex);
  shaders.attachShader(fragment);
  EXPECT_TRUE(shaders.linkProgram());
  EXPECT_TRUE(shaders.linked());
  GLint current = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  EXPECT_EQ(static_cast<GLuint>(current), shaders.program());

  // A linked program is only made current again, with no new link log.
  const size_t printed = log.text().size();
  glUseProgram(0);
  EXPECT_TRUE(shaders.linkProgram());
  EXPECT_EQ(log.text().size(), printed);
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  EXPECT_EQ(static_cast<GLuint>(current), shaders.program());

  // A second vertex shader takes the role and clears linked.
  shaders.attachShader(other);
  EXPECT_FALSE(shaders.linked());
  EXPECT_EQ(shaders.role(Kettar::ShaderManager::kVertexRole), other);
  EXPECT_EQ(attached(), (std::vector<GLuint>{shaderOf(fragment), shaderOf(other)}));

  shaders.detachShader(fragment);
  EXPECT_EQ(shaders.role(Kettar::ShaderManager::kFragmentRole), -1);
  EXPECT_EQ(attached(), std::vector<GLuint>{shaderOf(other)});

  // Slots outside the filled table are refused.
  for (int bad : {-1, 3, 29, 30, 1000}) shaders.attachShader(bad);
  EXPECT_EQ(attached(), std::vector<GLuint>{shaderOf(other)});
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  glUseProgram(0);
}

TEST_F(ShaderManagerTest, ALinkErrorLeavesTheProgramUnused) {
  CoutCapture log;
  // The fragment shader compiles but calls a function nobody defines.
  const int a = shaders.compileShader(kVertex, GL_VERTEX_SHADER);
  const int c = shaders.compileShader(
      "void helper(); void main() { helper(); gl_FragColor = vec4(1.0); }", GL_FRAGMENT_SHADER);
  shaders.attachShader(a);
  shaders.attachShader(c);
  EXPECT_FALSE(shaders.linkProgram());
  EXPECT_FALSE(shaders.linked());
  GLint current = -1;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  EXPECT_EQ(current, 0);
}

TEST_F(ShaderManagerTest, DestroyingReturnsToTheStartingState) {
  CoutCapture quiet;
  const int vertex = shaders.compileShader(kVertex, GL_VERTEX_SHADER);
  const int fragment = shaders.compileShader(kFragment, GL_FRAGMENT_SHADER);
  shaders.attachShader(vertex);
  shaders.attachShader(fragment);
  ASSERT_TRUE(shaders.linkProgram());
  glUseProgram(0);
  const GLuint program = shaders.program();
  const GLuint shader = shaderOf(vertex);
  shaders.destroyProgram();
  EXPECT_FALSE(glIsProgram(program));
  EXPECT_FALSE(glIsShader(shader));
  EXPECT_EQ(shaders.count(), 0);
  EXPECT_EQ(shaders.program(), 0u);
  EXPECT_FALSE(shaders.linked());
  EXPECT_EQ(shaders.role(Kettar::ShaderManager::kVertexRole), -1);
  EXPECT_EQ(shaders.role(Kettar::ShaderManager::kFragmentRole), -1);
  EXPECT_FALSE(shaders.linkProgram());
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  // And it can start over.
  EXPECT_EQ(shaders.createProgram(), static_cast<bool>(GLEW_ARB_geometry_shader4));
  ASSERT_TRUE(shaders.shadersSupported());
  EXPECT_EQ(shaders.compileShader(kVertex, GL_VERTEX_SHADER), 0);
}

// The process-wide point shader, built by the first spawn and drawn with.
TEST_F(ShaderManagerTest, ThePointShaderIsBuiltOnceAndDrawsParticles) {
  CoutCapture log;
  Kettar::buildPointShader();
  const std::string built = log.text();
  Kettar::buildPointShader();
  EXPECT_EQ(log.text(), built);  // nothing compiled again
  Kettar::ShaderManager& global = Kettar::shaderManager;
  EXPECT_EQ(global.count(), 2);
  EXPECT_EQ(global.role(Kettar::ShaderManager::kVertexRole), 0);
  EXPECT_EQ(global.role(Kettar::ShaderManager::kFragmentRole), 1);
  EXPECT_TRUE(glIsEnabled(GL_VERTEX_PROGRAM_POINT_SIZE));

  // An empty list changes no state.
  glDepthMask(GL_TRUE);
  Kettar::drawParticles();
  GLboolean depthMask = GL_FALSE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
  EXPECT_TRUE(depthMask);
  EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));

  // Red particles one unit in front of the eye, all at the centre.
  Kettar::ParticleParams p;
  p.colourMin = Vec4(1, 0, 0, 1);
  p.colourMax = Vec4(1, 0, 0, 1);
  p.endColour = Vec4(1, 0, 0, 1);
  p.lifetime = 10.0f;
  p.rate = 1.0f;  // ten batches, nine of them hidden
  ASSERT_TRUE(Kettar::spawnParticles(4, 16.0f, Vec3(0, 0, -1), Vec3(), Vec3(), 1.0f, p));
  ASSERT_EQ(Kettar::particleSystems.count, 1u);
  EXPECT_EQ(global.count(), 2);

  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-1, 1, -1, 1, 0.1, 10);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  Kettar::drawParticles();
  unsigned char centre[4] = {};
  unsigned char corner[4] = {};
  glReadPixels(32, 32, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, centre);
  glReadPixels(1, 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner);
  EXPECT_GT(centre[0], 200);
  EXPECT_LT(centre[1], 30);
  EXPECT_EQ(corner[0], 0);

  glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
  EXPECT_TRUE(depthMask);
  EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
  EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
  GLint current = -1;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  EXPECT_EQ(current, 0);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  Kettar::clearParticles();
}

}  // namespace
