// Placing finished files in one step and holding named locks on Windows:
// a copy beside the target, FlushFileBuffers, then MoveFileEx without
// replacing (claiming a new name) or ReplaceFile (over the target, keeping
// its attributes and security); locks are LockFileEx ranges on lock files.
#include <cstdio>
#include <string>

#include "platform/files.h"
#include "platform/win32/windows_api.h"

namespace platform {

namespace {

bool failed(DWORD code) {
  SetLastError(code);
  return false;
}

std::string folderOf(const std::string& path) {
  std::string::size_type cut = path.find_last_of("\\/");
  if (cut == std::string::npos) return ".";
  return path.substr(0, cut);
}

bool flushFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const BOOL flushed = FlushFileBuffers(file);
  const DWORD error = GetLastError();
  CloseHandle(file);
  SetLastError(error);
  return flushed != FALSE;
}

}  // namespace

FilePlacement::~FilePlacement() {
  if (!placed_ && !copy_.empty()) DeleteFileA(copy_.c_str());
}

std::string FilePlacement::copyNameFor(const std::string& target) {
  static volatile LONG counter = 0;
  const unsigned mixed = (static_cast<unsigned>(GetCurrentProcessId()) * 2654435761u) ^
                         (static_cast<unsigned>(GetTickCount()) * 40503u) ^
                         (static_cast<unsigned>(InterlockedIncrement(&counter)) * 97u);
  char name[40];
  std::snprintf(name, sizeof name, "\\.vlpart-%08x.tmp", mixed);
  return folderOf(target) + name;
}

bool FilePlacement::prepare(const std::string& source, const std::string& copyPath) {
  if (!copy_.empty() && !placed_) DeleteFileA(copy_.c_str());
  copy_.clear();
  placed_ = false;
  if (!CopyFileA(source.c_str(), copyPath.c_str(), TRUE)) return false;
  copy_ = copyPath;
  if (!flushFile(copy_)) {
    const DWORD error = GetLastError();
    DeleteFileA(copy_.c_str());
    copy_.clear();
    return failed(error);
  }
  return true;
}

bool FilePlacement::placeNew(const std::string& target) {
  if (copy_.empty() || placed_) return failed(ERROR_FILE_NOT_FOUND);
  if (!MoveFileExA(copy_.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) return false;
  placed_ = true;
  return true;
}

bool FilePlacement::placeReplacing(const std::string& target) {
  if (copy_.empty() || placed_) return failed(ERROR_FILE_NOT_FOUND);
  if (GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES &&
      ReplaceFileA(target.c_str(), copy_.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                   nullptr, nullptr)) {
    placed_ = true;
    return true;
  }
  if (!MoveFileExA(copy_.c_str(), target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return false;
  placed_ = true;
  return true;
}

struct FileLock::State {
  HANDLE file = INVALID_HANDLE_VALUE;
  std::string path;
  bool deleteOnClose = false;
};

namespace {

bool lockWhole(HANDLE file, DWORD flags) {
  OVERLAPPED at = {};
  return LockFileEx(file, flags, 0, MAXDWORD, MAXDWORD, &at) != FALSE;
}

}  // namespace

FileLock::~FileLock() { release(removeWhenReleased_); }

bool FileLock::held() const { return state_ != nullptr; }

bool FileLock::acquire(const std::string& lockPath, bool removeWhenReleased) {
  release(removeWhenReleased_);
  const DWORD flags = FILE_ATTRIBUTE_NORMAL | (removeWhenReleased ? FILE_FLAG_DELETE_ON_CLOSE : 0);
  // A lock file its last holder is deleting cannot be opened for a moment.
  for (int round = 0; round < 1000; ++round) {
    HANDLE file = CreateFileA(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, flags, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      if (GetLastError() != ERROR_ACCESS_DENIED) return false;
      Sleep(10);
      continue;
    }
    if (!lockWhole(file, LOCKFILE_EXCLUSIVE_LOCK)) {
      const DWORD error = GetLastError();
      CloseHandle(file);
      return failed(error);
    }
    state_ = new State{file, lockPath, removeWhenReleased};
    removeWhenReleased_ = removeWhenReleased;
    return true;
  }
  return false;
}

bool FileLock::tryAcquireExisting(const std::string& lockPath) {
  release(removeWhenReleased_);
  HANDLE file = CreateFileA(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  if (!lockWhole(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY)) {
    const DWORD error = GetLastError();
    CloseHandle(file);
    return failed(error);
  }
  state_ = new State{file, lockPath, false};
  removeWhenReleased_ = false;
  return true;
}

bool FileLock::append(const std::string& text) {
  if (!state_) return failed(ERROR_INVALID_HANDLE);
  LARGE_INTEGER end = {};
  if (!SetFilePointerEx(state_->file, end, nullptr, FILE_END)) return false;
  DWORD written = 0;
  return WriteFile(state_->file, text.data(), static_cast<DWORD>(text.size()), &written,
                   nullptr) != FALSE &&
         written == text.size();
}

bool FileLock::readAll(std::string* text) {
  text->clear();
  if (!state_) return failed(ERROR_INVALID_HANDLE);
  LARGE_INTEGER start = {};
  if (!SetFilePointerEx(state_->file, start, nullptr, FILE_BEGIN)) return false;
  char buffer[4096];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(state_->file, buffer, sizeof buffer, &got, nullptr)) return false;
    if (got == 0) return true;
    text->append(buffer, got);
  }
}

void FileLock::release(bool removeFile) {
  if (!state_) return;
  OVERLAPPED at = {};
  UnlockFileEx(state_->file, 0, MAXDWORD, MAXDWORD, &at);
  CloseHandle(state_->file);
  if (removeFile && !state_->deleteOnClose) DeleteFileA(state_->path.c_str());
  delete state_;
  state_ = nullptr;
}

}  // namespace platform
