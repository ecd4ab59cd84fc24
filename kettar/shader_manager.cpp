#include "kettar/shader_manager.h"

#include <GL/glew.h>

#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

namespace Kettar {

ShaderManager shaderManager;

const char* const kPointVertexSource =
    "uniform float size; void main() { gl_Position = gl_ModelViewProjectionMatrix*gl_Vertex; "
    "vec4 V = gl_ModelViewMatrix * gl_Vertex; float dist = length(V); gl_PointSize = size / dist; "
    "gl_FrontColor = gl_Color; }";
const char* const kPointFragmentSource = "void main() { gl_FragColor = gl_Color; }";

namespace {

// Prints the info log of a shader or of the program as one line (a log of length 0
// prints an empty line) and returns whether the status asked for is set.
bool reportStatus(GLuint id, GLenum statusName, PFNGLGETSHADERIVPROC getInteger,
                  PFNGLGETSHADERINFOLOGPROC getLog) {
  GLint status = 0;
  GLint length = 0;
  getInteger(id, statusName, &status);
  getInteger(id, GL_INFO_LOG_LENGTH, &length);
  std::vector<char> log(static_cast<size_t>(length > 0 ? length : 1), '\0');
  GLsizei written = 0;
  getLog(id, static_cast<GLsizei>(log.size()), &written, log.data());
  std::cout.write(log.data(), written) << "\n";
  return status != 0;
}

struct PointShader {
  bool built = false;
  int vertexSlot = -1;    // -1 until compiled, and when the compile failed
  int fragmentSlot = -1;
};
PointShader pointShader;

}  // namespace

bool ShaderManager::createProgram() {
  shadersSupported_ = GLEW_ARB_vertex_shader && GLEW_ARB_fragment_shader;
  geometrySupported_ = GLEW_ARB_geometry_shader4;
  for (int& r : roles_) r = -1;
  if (!shadersSupported_) return false;
  program_ = glCreateProgram();
  if (program_ == 0) shadersSupported_ = false;
  return shadersSupported_ && geometrySupported_;
}

int ShaderManager::compileShader(const std::string& text, uint32_t type) {
  if (count_ >= kSlotCount || !shadersSupported_) return -1;
  const int index = count_;
  Slot& s = slots_[index];
  s.shader = static_cast<int32_t>(glCreateShader(type));
  s.type = type;
  if (s.shader == 0) {
    s.shader = -1;
    return -1;
  }
  const GLchar* source = text.c_str();
  glShaderSource(static_cast<GLuint>(s.shader), 1, &source, nullptr);
  glCompileShader(static_cast<GLuint>(s.shader));
  if (!checkCompile(index)) {
    // The slot stays free for the next compile; its failed object goes now.
    glDeleteShader(static_cast<GLuint>(s.shader));
    s.shader = -1;
    return -1;
  }
  ++count_;
  return index;
}

int ShaderManager::loadShader(const std::string& path, uint32_t type) {
  const std::string text = readTextFile(path);
  if (text.empty()) return -1;
  return compileShader(text, type);
}

bool ShaderManager::checkCompile(int slot) {
  if (!shadersSupported_ || slot < 0 || slot >= kSlotCount || slots_[slot].shader < 0) return false;
  return reportStatus(static_cast<GLuint>(slots_[slot].shader), GL_COMPILE_STATUS, glGetShaderiv,
                      glGetShaderInfoLog);
}

bool ShaderManager::checkLink() {
  if (!shadersSupported_) return false;
  return reportStatus(program_, GL_LINK_STATUS, glGetProgramiv, glGetProgramInfoLog);
}

bool ShaderManager::validSlot(int slot) const {
  return shadersSupported_ && slot >= 0 && slot < count_ && slots_[slot].shader >= 0;
}

int ShaderManager::roleOfType(uint32_t type) {
  switch (type) {
    case GL_VERTEX_SHADER: return kVertexRole;
    case GL_GEOMETRY_SHADER_ARB: return kGeometryRole;
    case GL_FRAGMENT_SHADER: return kFragmentRole;
    default: return -1;
  }
}

void ShaderManager::attachShader(int slot) {
  if (!validSlot(slot)) return;
  const int r = roleOfType(slots_[slot].type);
  if (r >= 0) {
    if (roles_[r] >= 0) glDetachShader(program_, static_cast<GLuint>(slots_[roles_[r]].shader));
    roles_[r] = slot;
  }
  glAttachShader(program_, static_cast<GLuint>(slots_[slot].shader));
  linked_ = false;
}

void ShaderManager::detachShader(int slot) {
  if (!validSlot(slot)) return;
  if (roles_[kVertexRole] == slot) {
    roles_[kVertexRole] = -1;
  } else if (roles_[kGeometryRole] == slot) {
    roles_[kGeometryRole] = -1;
  } else if (roles_[kFragmentRole] == slot) {
    roles_[kFragmentRole] = -1;
  }
  glDetachShader(program_, static_cast<GLuint>(slots_[slot].shader));
}

bool ShaderManager::linkProgram() {
  if (!shadersSupported_) return false;
  if (!linked_) {
    glLinkProgram(program_);
    if (!checkLink()) {
      linked_ = false;
      return false;
    }
    linked_ = true;
  }
  glUseProgram(program_);
  return true;
}

void ShaderManager::destroyProgram() {
  if (shadersSupported_) {
    for (int r : roles_) {
      if (r >= 0) glDetachShader(program_, static_cast<GLuint>(slots_[r].shader));
    }
    for (int i = 0; i < count_; ++i) glDeleteShader(static_cast<GLuint>(slots_[i].shader));
    glDeleteProgram(program_);
  }
  // Nothing may name the deleted objects: the table starts again empty.
  for (Slot& s : slots_) s = Slot();
  for (int& r : roles_) r = -1;
  count_ = 0;
  program_ = 0;
  linked_ = false;
  shadersSupported_ = false;
  geometrySupported_ = false;
}

std::string readTextFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) return std::string();
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void buildPointShader() {
  if (pointShader.built) return;
  shaderManager.createProgram();
  pointShader.vertexSlot = shaderManager.compileShader(kPointVertexSource, GL_VERTEX_SHADER);
  pointShader.fragmentSlot = shaderManager.compileShader(kPointFragmentSource, GL_FRAGMENT_SHADER);
  if (pointShader.vertexSlot != -1 && pointShader.fragmentSlot != -1) {
    shaderManager.attachShader(pointShader.vertexSlot);
    shaderManager.attachShader(pointShader.fragmentSlot);
  }
  glEnable(GL_POINT_SMOOTH);
  glEnable(GL_VERTEX_PROGRAM_POINT_SIZE);
  pointShader.built = true;
}

}  // namespace Kettar
