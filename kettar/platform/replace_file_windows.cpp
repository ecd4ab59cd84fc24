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

// Writes the file where it is, cutting off what is left of the old content; its links, its
// attributes and its security stay.
bool writeInPlace(const std::string& path, const std::string& contents) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = writeAll(file, contents) && SetEndOfFile(file) && FlushFileBuffers(file);
  return CloseHandle(file) && ok;
}

// Whether the system lets this user write the existing file (its security and, on Windows
// itself, its read-only attribute), and how many names it has: a file with others is written
// in place, as a replacement would cut them off.
bool mayWrite(const std::string& path, DWORD& links) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  links = GetFileInformationByHandle(file, &info) ? info.nNumberOfLinks : 1;
  CloseHandle(file);
  return true;
}

bool alreadyExists(DWORD error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

// The first temporary name beside path that no file has, created exclusively with attributes
// and shared with no one while the handle is open; INVALID_HANDLE_VALUE, with the last error,
// when none can be made.
HANDLE makeTemporary(const std::string& path, DWORD attributes, std::string& temporary) {
  for (int n = 0; n < kTemporaryNames; ++n) {
    temporary = temporaryName(path, n);
    const HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    attributes, nullptr);
    if (file != INVALID_HANDLE_VALUE || !alreadyExists(GetLastError())) return file;
  }
  return INVALID_HANDLE_VALUE;
}

// Puts the written temporary in the existing file's place with ReplaceFile, which keeps the
// file's security and attributes. The old file passes through a backup name made here (so no
// file of the user's is overwritten): a replacement that fails after moving it away leaves it
// there, and it goes back. On failure the old file is whole and the temporary gone.
bool replaceExisting(const std::string& path, const std::string& temporary) {
  std::string backup;
  const HANDLE reserved = makeTemporary(path, FILE_ATTRIBUTE_NORMAL, backup);
  if (reserved == INVALID_HANDLE_VALUE) {
    DeleteFileA(temporary.c_str());
    return false;
  }
  CloseHandle(reserved);
  if (ReplaceFileA(path.c_str(), temporary.c_str(), backup.c_str(), 0, nullptr, nullptr)) {
    DeleteFileA(backup.c_str());
    return true;
  }
  // Only this failure leaves the old file under the backup name, from which it goes back; every
  // other leaves both files under their own names. A backup that still holds it stays.
  const bool movedAway = GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2;
  if (!movedAway || MoveFileExA(backup.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH))
    DeleteFileA(backup.c_str());
  DeleteFileA(temporary.c_str());
  return false;
}

}  // namespace

// An existing file that is read-only, or that the system does not let this user write, is the
// user's: it is left as it was, even where the folder would let a move replace it.
bool replaceFile(const std::string& path, const std::string& contents) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  DWORD links = 1;
  if (exists && ((attributes & FILE_ATTRIBUTE_READONLY) != 0 || !mayWrite(path, links))) return false;
  if (links > 1) return writeInPlace(path, contents);
  // The temporary has the old file's attributes from the start: Windows' ReplaceFile merges
  // them into it, wine's does not.
  const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                     FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  const DWORD temporaryAttributes = exists && (attributes & kept) != 0 ? attributes & kept : FILE_ATTRIBUTE_NORMAL;
  std::string temporary;
  const HANDLE file = makeTemporary(path, temporaryAttributes, temporary);
  if (file == INVALID_HANDLE_VALUE) {
    // A folder the user may not write still lets the file be written.
    const DWORD error = GetLastError();
    const bool noRoom = error == ERROR_ACCESS_DENIED || alreadyExists(error);
    return noRoom && writeInPlace(path, contents);
  }
  bool ok = writeAll(file, contents) && FlushFileBuffers(file);
  ok = CloseHandle(file) && ok;
  if (ok && exists) return replaceExisting(path, temporary);
  // A new file takes the security any new file gets in its folder, which the temporary has.
  ok = ok && MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH);
  if (!ok) DeleteFileA(temporary.c_str());
  return ok;
}

}  // namespace Kettar
