// Files, folders and temporary names on Windows: the ANSI file API, which is
// what the file semantics of the platform layer were modelled on.
#include <fcntl.h>
#include <io.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/wildcard.h"
#include "platform/win32/windows_api.h"

#include <shlobj.h>

namespace platform {

const char kPathSeparator[] = "\\";
const char kExeSuffix[] = ".exe";
const char kLineEnd[] = "\r\n";
const char kPathListSeparator[] = ";";
const std::size_t kShortPathCapacity = MAX_PATH;
const bool kLeadingDotHides = false;

namespace {

constexpr std::size_t kMessageCapacity = 255;

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// Calls one of the API functions that fill a buffer and return the length
// written, or the size needed (terminator included) when the buffer is too
// small, or 0 on failure.
template <typename Fill>
bool fillString(Fill fill, std::string* out) {
  std::string buffer(MAX_PATH + 1, '\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD length = fill(&buffer[0], static_cast<DWORD>(buffer.size()));
    if (length == 0) return false;
    if (length < buffer.size()) {
      buffer.resize(length);
      *out = std::move(buffer);
      return true;
    }
    buffer.assign(static_cast<std::size_t>(length) + 1, '\0');
  }
  return false;
}

// Length of the part of a path that names its root: "C:\", "C:", "\",
// "\\server\share\" (and "\\?\C:\" the same way), 0 for a relative path.
std::size_t rootLength(const std::string& path) {
  if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
    std::size_t pos = 2;
    for (int part = 0; part < 2 && pos < path.size(); ++part) {
      while (pos < path.size() && !isSeparator(path[pos])) ++pos;
      if (pos < path.size()) ++pos;
    }
    return pos;
  }
  if (path.size() >= 2 && path[1] == ':') return path.size() >= 3 && isSeparator(path[2]) ? 3 : 2;
  if (!path.empty() && isSeparator(path[0])) return 1;
  return 0;
}

// Drops trailing separators, but never those that are part of the root.
std::string withoutTrailingSeparator(std::string path) {
  const std::size_t root = rootLength(path);
  while (path.size() > root && isSeparator(path.back())) path.pop_back();
  return path;
}

std::string joinPath(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (isSeparator(dir.back())) return dir + name;
  return dir + "\\" + name;
}

bool isDotEntry(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

char foldCase(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool removeTreeBelow(const std::string& dir) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA(joinPath(dir, "*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  bool ok = true;
  do {
    if (isDotEntry(entry.cFileName)) continue;
    const std::string full = joinPath(dir, entry.cFileName);
    const DWORD attributes = entry.dwFileAttributes;
    if (attributes & FILE_ATTRIBUTE_READONLY) {
      SetFileAttributesA(full.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      // A junction or directory link is removed itself; what it points to
      // is not ours to delete.
      if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT) && !removeTreeBelow(full)) ok = false;
      if (!RemoveDirectoryA(full.c_str())) ok = false;
    } else if (!DeleteFileA(full.c_str())) {
      ok = false;
    }
  } while (FindNextFileA(find, &entry));
  const DWORD error = GetLastError();
  FindClose(find);
  if (error != ERROR_NO_MORE_FILES) ok = false;
  return ok;
}

std::string folderPath(int csidl) {
  char buffer[MAX_PATH + 1] = {};
  if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer))) return "";
  return withoutTrailingSeparator(buffer);
}

// winspool is loaded when asked for: nothing else of the platform layer
// needs the spooler, and programs that do link it themselves.
using DriverDirectoryFunction = BOOL(WINAPI*)(LPSTR, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD);

}  // namespace

int lastError() { return static_cast<int>(GetLastError()); }

void setLastError(int code) { SetLastError(static_cast<DWORD>(code)); }

bool isFileExistsError(int code) {
  return code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS;
}

std::string errorText(int code) {
  char* message = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<LPSTR>(&message), 0, nullptr);
  std::string text;
  if (length != 0 && message != nullptr) text.assign(message, length);
  if (message != nullptr) LocalFree(message);
  if (text.size() > kMessageCapacity) text.resize(kMessageCapacity);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

int createTempFile(const std::string& dir, const std::string& prefix, std::string* path) {
  char buffer[MAX_PATH + 1] = {};
  if (GetTempFileNameA(dir.c_str(), prefix.c_str(), 0, buffer) == 0) {
    const DWORD error = GetLastError();
    return error != 0 ? static_cast<int>(error) : ERROR_GEN_FAILURE;
  }
  if (path != nullptr) *path = buffer;
  return 0;
}

std::string shortPath(const std::string& path) {
  std::string result;
  const bool ok = fillString(
      [&path](char* buffer, DWORD size) { return GetShortPathNameA(path.c_str(), buffer, size); },
      &result);
  return ok ? result : path;
}

std::string longPath(const std::string& path) {
  std::string result;
  const bool ok = fillString(
      [&path](char* buffer, DWORD size) { return GetLongPathNameA(path.c_str(), buffer, size); },
      &result);
  return ok ? result : path;
}

std::string canonicalPath(const std::string& path) {
  std::string full;
  if (!fillString(
          [&path](char* buffer, DWORD size) {
            return GetFullPathNameA(path.c_str(), size, buffer, nullptr);
          },
          &full))
    full = path;
  for (char& c : full) c = foldCase(c);
  return full;
}

bool copyFile(const std::string& from, const std::string& to, bool failIfExists) {
  return CopyFileA(from.c_str(), to.c_str(), failIfExists ? TRUE : FALSE) != FALSE;
}

bool deleteFile(const std::string& path) { return DeleteFileA(path.c_str()) != FALSE; }

bool fileExists(const std::string& path) {
  // A file name never contains wildcards; a find-first on one would answer
  // for some other name.
  if (path.empty() || path.find_first_of("*?") != std::string::npos) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA(path.c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    FindClose(find);
    return true;
  }
  // Find-first cannot see drive roots or names ending in a separator.
  if (isSeparator(path.back()) || rootLength(path) == path.size()) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  return false;
}

bool isDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool isRegularFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
                        FILE_ATTRIBUTE_DEVICE)) == 0;
}

bool canOpenExclusively(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

bool createDirectory(const std::string& path) {
  return CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

bool createPrivateDirectory(const std::string& path) {
  // A folder under the user's profile inherits the profile's ACL, which
  // lets only the user (and administrators) in.
  if (CreateDirectoryA(path.c_str(), nullptr)) return true;
  if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  if (isDirectory(path)) return true;
  SetLastError(ERROR_DIRECTORY);
  return false;
}

std::FILE* openNewPrivateFile(const std::string& path, bool binary) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), binary ? _O_BINARY : _O_TEXT);
  if (fd < 0) {
    CloseHandle(file);
    DeleteFileA(path.c_str());
    return nullptr;
  }
  std::FILE* stream = _fdopen(fd, binary ? "wb" : "w");
  if (stream == nullptr) {
    _close(fd);
    DeleteFileA(path.c_str());
  }
  return stream;
}

bool createDirectories(const std::string& path) {
  const std::string target = withoutTrailingSeparator(path);
  if (target.empty()) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  if (isDirectory(target)) return true;
  std::size_t pos = rootLength(target);
  while (pos <= target.size()) {
    while (pos < target.size() && !isSeparator(target[pos])) ++pos;
    const std::string level = target.substr(0, pos);
    if (!isDirectory(level) && !CreateDirectoryA(level.c_str(), nullptr)) {
      // Someone else may have made it in the meantime.
      if (GetLastError() != ERROR_ALREADY_EXISTS || !isDirectory(level)) return false;
    }
    ++pos;
  }
  return true;
}

bool fileSize(const std::string& path, std::uint64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    SetLastError(ERROR_ACCESS_DENIED);  // what opening a folder as a file gives
    return false;
  }
  if (size != nullptr) {
    *size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
  return true;
}

bool removeTree(const std::string& path) {
  const std::string target = withoutTrailingSeparator(path);
  const DWORD attributes = GetFileAttributesA(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    SetFileAttributesA(target.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileA(target.c_str()) != FALSE;
  bool ok = true;
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) ok = removeTreeBelow(target);
  if (!RemoveDirectoryA(target.c_str())) ok = false;
  return ok;
}

bool listDirectory(const std::string& dir, const std::string& pattern,
                   std::vector<std::string>* names) {
  if (names != nullptr) names->clear();
  // Every entry is listed and matched here on its long name: FindFirstFile
  // with the pattern would also match the short 8.3 aliases, so "*.pdf"
  // would list "a.pdfx".
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA(joinPath(dir.empty() ? "." : dir, "*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) {
    // An empty drive root has no entries at all, not even "." and "..".
    return GetLastError() == ERROR_FILE_NOT_FOUND;
  }
  do {
    if (isDotEntry(entry.cFileName)) continue;
    if (fileNameMatches(pattern, entry.cFileName) && names != nullptr) {
      names->push_back(entry.cFileName);
    }
  } while (FindNextFileA(find, &entry));
  const DWORD error = GetLastError();
  FindClose(find);
  if (error != ERROR_NO_MORE_FILES) {
    SetLastError(error);
    return false;
  }
  return true;
}

std::string applicationDataFolder() { return folderPath(CSIDL_APPDATA); }

std::string documentsFolder() { return folderPath(CSIDL_PERSONAL); }

std::string windowsFolder() {
  std::string folder;
  fillString([](char* buffer, DWORD size) { return GetWindowsDirectoryA(buffer, size); }, &folder);
  return withoutTrailingSeparator(folder);
}

std::string systemFolder() {
  std::string folder;
  fillString([](char* buffer, DWORD size) { return GetSystemDirectoryA(buffer, size); }, &folder);
  return withoutTrailingSeparator(folder);
}

std::string printerDriverFolder() {
  HMODULE spooler = LoadLibraryA("winspool.drv");
  if (spooler == nullptr) return "";
  // Through a generic function pointer: FARPROC itself does not convert
  // to the real signature without a cast-function-type warning.
  const auto function = reinterpret_cast<DriverDirectoryFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(spooler, "GetPrinterDriverDirectoryA")));
  std::string folder;
  if (function != nullptr) {
    std::vector<BYTE> buffer(MAX_PATH + 1);
    DWORD needed = 0;
    BOOL ok = function(nullptr, nullptr, 1, buffer.data(), static_cast<DWORD>(buffer.size()),
                       &needed);
    if (!ok && GetLastError() == ERROR_INSUFFICIENT_BUFFER && needed > buffer.size()) {
      buffer.assign(needed, 0);
      ok = function(nullptr, nullptr, 1, buffer.data(), static_cast<DWORD>(buffer.size()),
                    &needed);
    }
    if (ok) {
      buffer.push_back(0);
      folder = reinterpret_cast<const char*>(buffer.data());
    }
  }
  const DWORD error = GetLastError();
  FreeLibrary(spooler);
  SetLastError(error);
  return withoutTrailingSeparator(folder);
}

std::string tempPath() {
  std::string path;
  if (!fillString([](char* buffer, DWORD size) { return GetTempPathA(size, buffer); }, &path)) {
    return "";
  }
  if (path.empty() || !isSeparator(path.back())) path += "\\";
  return path;
}

std::string currentDirectory() {
  std::string path;
  fillString([](char* buffer, DWORD size) { return GetCurrentDirectoryA(size, buffer); }, &path);
  return withoutTrailingSeparator(path);
}

}  // namespace platform
