// Files and folders on POSIX, shaped after the Win32 calls the programs were
// written against (GetTempFileName, CopyFile, FindFirstFile, known folders).
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/files.h"
#include "platform/posix/descriptors.h"
#include "platform/posix/machine_root.h"
#include "platform/wildcard.h"

namespace platform {

const char kPathSeparator[] = "/";
const char kExeSuffix[] = "";
const char kLineEnd[] = "\n";
const char kPathListSeparator[] = ":";
const std::size_t kShortPathCapacity = 4096;
const bool kLeadingDotHides = true;

namespace {

thread_local int tLastError = 0;

int fail(int code) {
  tLastError = code;
  return code;
}

bool failed(int code) {
  tLastError = code;
  return false;
}

std::string joinPath(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

std::string envOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  if (value && *value) return value;
  return fallback;
}

std::string homeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  struct passwd pw;
  struct passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(geteuid(), &pw, buffer, sizeof buffer, &found) == 0 && found && pw.pw_dir)
    return pw.pw_dir;
  return "/";
}

// strerror_r comes in two shapes (GNU returns the text, XSI fills the buffer).
[[maybe_unused]] const char* pickErrorText(int result, const char* buffer) { return result == 0 ? buffer : ""; }
[[maybe_unused]] const char* pickErrorText(const char* result, const char*) { return result ? result : ""; }

bool closeChecked(int fd) {
  int rc = ::close(fd);
  return rc == 0 || errno == EINTR;
}

// Copies into an open target and closes it; false with *code set to the
// first error.
bool copyAndClose(int in, int out, int* code) {
  bool ok = posix::copyContents(in, out);
  *code = errno;
  if (!closeChecked(out) && ok) {
    ok = false;
    *code = errno;
  }
  return ok;
}

}  // namespace

int lastError() { return tLastError; }
bool isFileExistsError(int code) { return code == EEXIST; }
void setLastError(int code) { tLastError = code; }

std::string errorText(int code) {
  char buffer[256];
  buffer[0] = '\0';
  std::string text = pickErrorText(strerror_r(code, buffer, sizeof buffer), buffer);
  if (text.size() > 255) text.resize(255);
  return text;
}

int createTempFile(const std::string& dir, const std::string& prefix, std::string* path) {
  // Numbers run from a counter shared by the process's threads, offset by a
  // value mixed from the process id (read on every call, so children forked
  // from one parent part ways) and the start time, so concurrent processes
  // begin far apart; O_EXCL settles any collision that remains.
  static std::atomic<unsigned> next{static_cast<unsigned>(std::time(nullptr)) * 2654435761u};
  const unsigned offset = static_cast<unsigned>(getpid()) * 40503u;
  const std::string stem = prefix.substr(0, 3);
  for (unsigned attempt = 0; attempt < 0x10000u; ++attempt) {
    unsigned number = (next.fetch_add(1) + offset) & 0xFFFFu;
    if (number == 0) continue;  // the system's call never hands out 0000
    char name[16];
    std::snprintf(name, sizeof name, "%04X.tmp", number);
    std::string candidate = joinPath(dir, stem + name);
    int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      if (path) *path = candidate;
      tLastError = 0;
      return 0;
    }
    if (errno != EEXIST) return fail(errno);
  }
  return fail(EEXIST);
}

std::string shortPath(const std::string& path) { return path; }

std::string longPath(const std::string& path) { return path; }

std::string canonicalPath(const std::string& path) {
  std::string::size_type slash = path.find_last_of('/');
  std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  char* real = ::realpath(folder.c_str(), nullptr);
  if (real) {
    folder = real;
    std::free(real);
  } else if (folder[0] != '/') {
    folder = currentDirectory() + "/" + folder;
  }
  return joinPath(folder, name);
}

bool copyFile(const std::string& from, const std::string& to, bool failIfExists) {
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return failed(errno);
  struct stat source;
  if (fstat(in, &source) != 0) {
    int code = errno;
    ::close(in);
    return failed(code);
  }
  if (!S_ISREG(source.st_mode)) {
    ::close(in);
    return failed(S_ISDIR(source.st_mode) ? EISDIR : EINVAL);
  }
  const mode_t mode = source.st_mode & 0777;

  struct stat target;
  bool targetExists = ::stat(to.c_str(), &target) == 0;
  if (targetExists && target.st_dev == source.st_dev && target.st_ino == source.st_ino) {
    ::close(in);
    return failed(failIfExists ? EEXIST : EINVAL);  // a file is never copied onto itself
  }

  if (failIfExists || !targetExists) {
    // O_EXCL makes "fail if it exists" hold even against a racing creator.
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (failIfExists ? O_EXCL : O_TRUNC);
    int out = ::open(to.c_str(), flags, mode);
    if (out < 0) {
      int code = errno;
      ::close(in);
      return failed(code);
    }
    int code = 0;
    bool ok = copyAndClose(in, out, &code);
    ::close(in);
    if (!ok) {
      ::unlink(to.c_str());
      return failed(code);
    }
    tLastError = 0;
    return true;
  }

  // Replacing a file: write a sibling and rename it over the target, so a
  // failed copy leaves the previous file whole. A symbolic link is written
  // through instead, as Windows does, so the link itself survives.
  struct stat link;
  const bool isLink = ::lstat(to.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
  std::string dir = ".";
  std::string::size_type slash = to.find_last_of('/');
  if (slash != std::string::npos) dir = slash == 0 ? "/" : to.substr(0, slash);
  std::string temp = joinPath(dir, ".vlcopy-XXXXXX");
  std::vector<char> templ(temp.begin(), temp.end());
  templ.push_back('\0');
  int out = isLink ? -1 : mkstemp(templ.data());
  if (out < 0) {
    // No sibling (a link, or a folder we may not create in): copy in place.
    out = ::open(to.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (out < 0) {
      int code = errno;
      ::close(in);
      return failed(code);
    }
    int code = 0;
    bool ok = copyAndClose(in, out, &code);
    ::close(in);
    return ok ? (tLastError = 0, true) : failed(code);
  }
  fcntl(out, F_SETFD, FD_CLOEXEC);
  // The replaced file's permissions stay, as they do when a file is written
  // over: a private copy stays private, a shared document stays shared.
  fchmod(out, target.st_mode & 07777);
  int code = 0;
  bool ok = copyAndClose(in, out, &code);
  ::close(in);
  if (ok && ::rename(templ.data(), to.c_str()) != 0) {
    ok = false;
    code = errno;
  }
  if (!ok) {
    ::unlink(templ.data());
    return failed(code);
  }
  tLastError = 0;
  return true;
}

bool deleteFile(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return failed(EISDIR);
  if (::unlink(path.c_str()) != 0) return failed(errno);
  return true;
}

bool fileExists(const std::string& path) {
  struct stat st;
  if (path.empty()) return failed(ENOENT);
  // The system would read such a name only up to the NUL: some other file.
  if (path.find('\0') != std::string::npos) return failed(EINVAL);
  if (::stat(path.c_str(), &st) == 0 || ::lstat(path.c_str(), &st) == 0) return true;
  return failed(errno);
}

bool isDirectory(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return failed(errno);
  return S_ISDIR(st.st_mode);
}

bool isRegularFile(const std::string& path) {
  struct stat st;
  if (path.find('\0') != std::string::npos) return failed(EINVAL);
  if (::lstat(path.c_str(), &st) != 0) return failed(errno);
  return S_ISREG(st.st_mode);
}

bool canOpenExclusively(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return failed(errno);
  // Other programs announce that they hold a file with advisory locks; an
  // exclusive lock we cannot take means someone else has it.
  bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  int error = errno;
  ::close(fd);
  return free ? true : failed(error);
}

bool createDirectory(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) != 0) return failed(errno);
  return true;
}

bool createPrivateDirectory(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) == 0) return true;
  if (errno != EEXIST) return failed(errno);
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return failed(errno);
  if (!S_ISDIR(st.st_mode)) return failed(ENOTDIR);
  if (st.st_uid != ::geteuid()) return failed(EACCES);
  if ((st.st_mode & 077) != 0 && ::chmod(path.c_str(), st.st_mode & 0700) != 0) return failed(errno);
  return true;
}

std::FILE* openNewPrivateFile(const std::string& path, bool binary) {
  if (path.find('\0') != std::string::npos) {
    tLastError = EINVAL;
    return nullptr;
  }
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    tLastError = errno;
    return nullptr;
  }
  std::FILE* file = ::fdopen(fd, binary ? "wb" : "w");
  if (!file) {
    tLastError = errno;
    ::close(fd);
    ::unlink(path.c_str());
  }
  return file;
}

bool createDirectories(const std::string& path) {
  if (path.empty()) return failed(ENOENT);
  std::string::size_type pos = 0;
  while (pos != std::string::npos) {
    pos = path.find('/', pos + 1);
    std::string part = path.substr(0, pos);
    if (part.empty()) continue;
    if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return failed(errno);
  }
  if (!isDirectory(path)) return failed(ENOTDIR);
  return true;
}

bool fileSize(const std::string& path, std::uint64_t* size) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return failed(errno);
  if (S_ISDIR(st.st_mode)) return failed(EISDIR);
  if (size) *size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

bool removeTree(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return failed(errno);
  if (!S_ISDIR(st.st_mode)) {
    if (::unlink(path.c_str()) != 0) return failed(errno);
    return true;
  }
  DIR* dir = ::opendir(path.c_str());
  if (!dir) return failed(errno);
  std::vector<std::string> entries;
  while (struct dirent* entry = ::readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    entries.push_back(entry->d_name);
  }
  ::closedir(dir);
  bool ok = true;
  int code = 0;
  for (const auto& name : entries) {
    if (!removeTree(joinPath(path, name))) {
      ok = false;
      code = tLastError;
    }
  }
  if (::rmdir(path.c_str()) != 0) return failed(ok ? errno : code);
  return ok ? true : failed(code);
}

bool listDirectory(const std::string& dir, const std::string& pattern,
                   std::vector<std::string>* names) {
  names->clear();
  DIR* handle = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!handle) return failed(errno);
  while (struct dirent* entry = ::readdir(handle)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    if (fileNameMatches(pattern, entry->d_name)) names->push_back(entry->d_name);
  }
  ::closedir(handle);
  return true;
}

std::string applicationDataFolder() {
  return envOr("XDG_DATA_HOME", homeFolder() + "/.local/share");
}

std::string documentsFolder() { return envOr("XDG_DOCUMENTS_DIR", homeFolder() + "/Documents"); }

std::string windowsFolder() { return posix::machineRoot() + "/Windows"; }

std::string systemFolder() { return windowsFolder() + "/System32"; }

std::string printerDriverFolder() { return systemFolder() + "/spool/drivers"; }

std::string tempPath() {
  std::string path = envOr("TMPDIR", "/tmp");
  if (path.back() != '/') path += '/';
  return path;
}

std::string currentDirectory() {
  std::vector<char> buffer(4096);
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size())) return buffer.data();
    if (errno != ERANGE) {
      tLastError = errno;
      return std::string();
    }
    buffer.resize(buffer.size() * 2);
  }
}

namespace posix {

bool writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool copyContents(int in, int out) {
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return true;
    if (!writeAll(out, buffer, static_cast<std::size_t>(n))) return false;
  }
}

}  // namespace posix

}  // namespace platform
