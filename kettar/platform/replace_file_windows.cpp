#include "kettar/platform/replace_file.h"

#include <windows.h>

namespace Kettar {

namespace {

bool writeAll(HANDLE file, const std::string& contents) {
  const char* data = contents.data();
  std::size_t left = contents.size();
  while (left > 0) {
    const DWORD chunk = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) return false;
    data += written;
    left -= written;
  }
  return true;
}

}  // namespace

// MoveFileEx replaces the old file in one step. A read-only file is the
// user's: it is left as it was.
bool replaceFile(const std::string& path, const std::string& contents) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) return false;
  const std::string temporary = path + ".tmp";
  const HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = writeAll(file, contents) && FlushFileBuffers(file);
  ok = CloseHandle(file) && ok;
  ok = ok && MoveFileExA(temporary.c_str(), path.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) {
    DeleteFileA(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace Kettar
