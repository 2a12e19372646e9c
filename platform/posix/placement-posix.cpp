// Placing finished files in one step and holding named locks on POSIX:
// a private copy beside the target, fsync, then rename (over the target) or
// renameat2(RENAME_NOREPLACE) / link() (never over it); locks are flock()s
// on lock files, checked against the name after waking up so that a lock
// file removed by its last holder is never locked by mistake.
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>

#include "platform/files.h"
#include "platform/posix/descriptors.h"

namespace platform {

namespace {

bool failed(int code) {
  setLastError(code);
  return false;
}

bool hasNul(const std::string& path) { return path.find('\0') != std::string::npos; }

std::string folderOf(const std::string& path) {
  std::string::size_type slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a symbolic link at path leads to; path itself otherwise (and for
// a link that leads nowhere, which is then replaced itself).
std::string resolvedTarget(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) return path;
  std::string result = real;
  std::free(real);
  return result;
}

mode_t newFileMode() {
  // umask can only be read by setting it; nothing else of the process creates
  // files in the instant it is 077.
  mode_t mask = ::umask(077);
  ::umask(mask);
  return 0666 & ~mask;
}

// A rename is durable only once the folder's entry is on disk too.
void syncFolder(const std::string& path) {
  int fd = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// rename() that refuses to replace. Not every file system knows
// RENAME_NOREPLACE, and not every one has hard links; the last way claims
// the name with an empty file of our own and renames over that.
int renameNoReplace(const char* from, const char* to, mode_t mode) {
#if defined(SYS_renameat2)
  if (::syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, 1u /* RENAME_NOREPLACE */) == 0)
    return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
#endif
  if (::link(from, to) == 0) {
    ::unlink(from);
    return 0;
  }
  if (errno == EEXIST || (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP &&
                          errno != EMLINK && errno != ENOSYS))
    return errno;
  int claim = ::open(to, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
  if (claim < 0) return errno;
  ::close(claim);
  if (::rename(from, to) != 0) {
    int code = errno;
    ::unlink(to);
    return code;
  }
  return 0;
}

}  // namespace

FilePlacement::~FilePlacement() {
  if (!placed_ && !copy_.empty()) ::unlink(copy_.c_str());
}

std::string FilePlacement::copyNameFor(const std::string& target) {
  static std::atomic<unsigned> counter{0};
  const unsigned mixed = (static_cast<unsigned>(::getpid()) * 2654435761u) ^
                         (static_cast<unsigned>(std::time(nullptr)) * 40503u) ^
                         (counter.fetch_add(1) * 97u);
  char name[40];
  std::snprintf(name, sizeof name, "/.vlpart-%08x.tmp", mixed);
  return folderOf(resolvedTarget(target)) + name;
}

bool FilePlacement::prepare(const std::string& source, const std::string& copyPath) {
  if (!copy_.empty() && !placed_) ::unlink(copy_.c_str());
  copy_.clear();
  placed_ = false;
  if (hasNul(source) || hasNul(copyPath)) return failed(EINVAL);
  int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return failed(errno);
  int out = ::open(copyPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (out < 0) {
    int code = errno;
    ::close(in);
    return failed(code);
  }
  copy_ = copyPath;
  bool ok = posix::copyContents(in, out);
  int code = errno;
  ::close(in);
  if (ok && ::fsync(out) != 0) {
    ok = false;
    code = errno;
  }
  if (::close(out) != 0 && ok) {
    ok = false;
    code = errno;
  }
  if (!ok) {
    ::unlink(copy_.c_str());
    copy_.clear();
    return failed(code);
  }
  setLastError(0);
  return true;
}

bool FilePlacement::placeNew(const std::string& target) {
  if (copy_.empty() || placed_) return failed(ENOENT);
  if (hasNul(target)) return failed(EINVAL);
  const mode_t mode = newFileMode();
  if (::chmod(copy_.c_str(), mode) != 0) return failed(errno);
  int code = renameNoReplace(copy_.c_str(), target.c_str(), mode);
  if (code != 0) {
    ::chmod(copy_.c_str(), 0600);
    return failed(code);
  }
  placed_ = true;
  syncFolder(target);
  setLastError(0);
  return true;
}

bool FilePlacement::placeReplacing(const std::string& target) {
  if (copy_.empty() || placed_) return failed(ENOENT);
  if (hasNul(target)) return failed(EINVAL);
  const std::string real = resolvedTarget(target);
  struct stat st;
  const bool exists = ::stat(real.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) return failed(EISDIR);
  const mode_t mode = exists ? (st.st_mode & 07777) : newFileMode();
  if (::chmod(copy_.c_str(), mode) != 0) return failed(errno);
  if (::rename(copy_.c_str(), real.c_str()) != 0) {
    int code = errno;
    ::chmod(copy_.c_str(), 0600);
    return failed(code);
  }
  placed_ = true;
  syncFolder(real);
  setLastError(0);
  return true;
}

struct FileLock::State {
  int fd = -1;
  std::string path;
};

namespace {

// Whether fd is still the file at path: a holder that removes the lock file
// lets waiters wake up on a file nobody else will ever lock again.
bool stillNamed(int fd, const std::string& path) {
  struct stat held, named;
  if (::fstat(fd, &held) != 0 || ::lstat(path.c_str(), &named) != 0) return false;
  return held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

int lockWait(int fd, int operation) {
  for (;;) {
    if (::flock(fd, operation) == 0) return 0;
    if (errno != EINTR) return errno;
  }
}

}  // namespace

FileLock::~FileLock() { release(removeWhenReleased_); }

bool FileLock::held() const { return state_ != nullptr; }

bool FileLock::acquire(const std::string& lockPath, bool removeWhenReleased) {
  release(removeWhenReleased_);
  if (hasNul(lockPath)) return failed(EINVAL);
  // Each round either locks the file that bears the name or finds it gone;
  // a name that keeps changing under us is given up on after many rounds.
  for (int round = 0; round < 1000; ++round) {
    int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return failed(errno);
    int code = lockWait(fd, LOCK_EX);
    if (code != 0) {
      ::close(fd);
      return failed(code);
    }
    if (stillNamed(fd, lockPath)) {
      state_ = new State{fd, lockPath};
      removeWhenReleased_ = removeWhenReleased;
      setLastError(0);
      return true;
    }
    ::close(fd);
  }
  return failed(EAGAIN);
}

bool FileLock::tryAcquireExisting(const std::string& lockPath) {
  release(removeWhenReleased_);
  if (hasNul(lockPath)) return failed(EINVAL);
  int fd = ::open(lockPath.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return failed(errno);
  struct stat st;
  // Only a lock file of one's own says anything about one's own files.
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
    ::close(fd);
    return failed(EACCES);
  }
  int code = lockWait(fd, LOCK_EX | LOCK_NB);
  if (code != 0 || !stillNamed(fd, lockPath)) {
    ::close(fd);
    return failed(code != 0 ? code : ENOENT);
  }
  state_ = new State{fd, lockPath};
  removeWhenReleased_ = false;
  return true;
}

bool FileLock::append(const std::string& text) {
  if (!state_) return failed(EBADF);
  if (::lseek(state_->fd, 0, SEEK_END) < 0) return failed(errno);
  if (!posix::writeAll(state_->fd, text.data(), text.size())) return failed(errno);
  return true;
}

bool FileLock::readAll(std::string* text) {
  text->clear();
  if (!state_) return failed(EBADF);
  char buffer[4096];
  off_t at = 0;
  for (;;) {
    ssize_t n = ::pread(state_->fd, buffer, sizeof buffer, at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return failed(errno);
    if (n == 0) return true;
    text->append(buffer, static_cast<std::size_t>(n));
    at += n;
  }
}

void FileLock::release(bool removeFile) {
  if (!state_) return;
  // Removed while still held, so that nobody locks it in between and then
  // believes it holds the lock of a name that is gone.
  if (removeFile) ::unlink(state_->path.c_str());
  ::close(state_->fd);
  delete state_;
  state_ = nullptr;
}

}  // namespace platform
