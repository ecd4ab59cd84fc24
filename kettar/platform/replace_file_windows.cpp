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

// Writes the file where it is, cutting off what is left of the old content; its links and its
// security stay.
bool writeInPlace(const std::string& path, const std::string& contents) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = writeAll(file, contents) && SetEndOfFile(file) && FlushFileBuffers(file);
  return CloseHandle(file) && ok;
}

// Whether the file has other names, which MoveFileEx would cut off.
bool hasOtherLinks(const std::string& path) {
  const HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  const bool linked = GetFileInformationByHandle(file, &info) && info.nNumberOfLinks > 1;
  CloseHandle(file);
  return linked;
}

bool alreadyExists(DWORD error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

// The first temporary name beside path that no file has, created exclusively;
// INVALID_HANDLE_VALUE, with the last error, when none can be made.
HANDLE makeTemporary(const std::string& path, std::string& temporary) {
  for (int n = 0; n < kTemporaryNames; ++n) {
    temporary = temporaryName(path, n);
    const HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || !alreadyExists(GetLastError())) return file;
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

// MoveFileEx replaces the old file in one step. A read-only file is the
// user's: it is left as it was.
bool replaceFile(const std::string& path, const std::string& contents) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & FILE_ATTRIBUTE_READONLY) != 0) return false;
  if (exists && hasOtherLinks(path)) return writeInPlace(path, contents);
  std::string temporary;
  const HANDLE file = makeTemporary(path, temporary);
  if (file == INVALID_HANDLE_VALUE) {
    // A folder the user may not write still lets the file be written.
    const DWORD error = GetLastError();
    const bool noRoom = error == ERROR_ACCESS_DENIED || alreadyExists(error);
    return noRoom && writeInPlace(path, contents);
  }
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
