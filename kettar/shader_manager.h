#pragma once
// The framework's small GLSL facility: one program, a table of compiled
// shaders and the three attachment roles. Its one user is the point-sprite
// shader of the particle systems.

#include <cstdint>
#include <string>

namespace Kettar {

class ShaderManager {
 public:
  static constexpr int kSlotCount = 30;

  // Attachment roles, as indices into the role table.
  enum Role { kVertexRole = 0, kGeometryRole = 1, kFragmentRole = 2, kRoleCount = 3 };

  struct Slot {
    int32_t shader = -1;           // OpenGL shader name; -1 while the slot is empty
    uint32_t type = 0x8B31;        // GL_VERTEX_SHADER until a compile sets it
  };

  // Makes the program when vertex and fragment shaders exist (shadersSupported
  // tells whether it was made). The result is whether geometry shaders exist
  // too, and false when no program was made.
  bool createProgram();
  // The slot of the compiled shader, or -1 (full table, no GLSL, compile error).
  int compileShader(const std::string& text, uint32_t type);
  // As compileShader on a file's text; -1 also for a missing or empty file.
  int loadShader(const std::string& path, uint32_t type);
  // Print the compiler's or linker's log line and give the status.
  bool checkCompile(int slot);
  bool checkLink();
  void attachShader(int slot);
  void detachShader(int slot);
  // Links when needed and makes the program current.
  bool linkProgram();
  // Releases the shaders and the program and returns to the starting state.
  void destroyProgram();

  int count() const { return count_; }
  uint32_t program() const { return program_; }
  bool linked() const { return linked_; }
  bool shadersSupported() const { return shadersSupported_; }
  bool geometrySupported() const { return geometrySupported_; }
  int role(Role r) const { return roles_[r]; }
  const Slot& slot(int index) const { return slots_[index]; }

 private:
  bool validSlot(int slot) const;
  // The role a shader type takes; -1 for a type that takes none.
  static int roleOfType(uint32_t type);

  Slot slots_[kSlotCount];
  int count_ = 0;                  // slots filled so far; the next compile uses this one
  uint32_t program_ = 0;           // 0 until createProgram made one
  bool shadersSupported_ = false;  // no GL shader call is made while false
  bool geometrySupported_ = false;
  bool linked_ = false;            // false after every attach
  int roles_[kRoleCount] = {-1, -1, -1};  // slot attached in each role; -1 when none
};

// The process-wide shader table.
extern ShaderManager shaderManager;

// The whole file as a string; empty when it cannot be opened.
std::string readTextFile(const std::string& path);

// The point-sprite program: a point's size is the uniform "size" over its
// distance from the eye, its colour the vertex colour.
extern const char* const kPointVertexSource;
extern const char* const kPointFragmentSource;

// Builds the point-sprite program into shaderManager once; later calls do nothing.
void buildPointShader();

}  // namespace Kettar
