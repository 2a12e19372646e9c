// Identity of the machine and the user on POSIX. The operating-system version
// is what the programs branch on; a Linux host stands for the current NT
// family. A test build may be told to play another system or another user's
// rights (test_switches.h); a shipped build has no such switch, so no user
// can lift an administrator's locks with one.
#include <pwd.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

#include "platform/posix/machine_root.h"
#include "platform/posix/test_switches.h"
#include "platform/system.h"

namespace platform {

namespace {

std::mutex gVersionLock;
bool gVersionFixed = false;
OsVersion gFixedVersion;

bool hostIs64Bit() {
  struct utsname names;
  if (uname(&names) != 0) return sizeof(void*) == 8;
  return std::strstr(names.machine, "64") != nullptr;
}

OsVersion make(OsPlatform platform, int major, int minor, int build) {
  OsVersion v;
  v.platform = platform;
  v.major = major;
  v.minor = minor;
  v.build = build;
  v.is64Bit = platform == kWin32Nt && hostIs64Bit();
  return v;
}


OsVersion detectedVersion() {
  OsVersion asked;
  if (posix::versionAskedForByTest(&asked))
    return make(asked.platform, asked.major, asked.minor, asked.build);
  return make(kWin32Nt, 10, 0, 19045);
}

std::string nearestExistingFolder(std::string path) {
  struct stat st;
  while (!path.empty()) {
    if (::stat(path.c_str(), &st) == 0) return path;
    std::string::size_type slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    path.resize(slash == 0 ? 1 : slash);
    if (path == "/") return path;
  }
  return ".";
}

}  // namespace

OsVersion osVersion() {
  {
    std::lock_guard<std::mutex> lock(gVersionLock);
    if (gVersionFixed) return gFixedVersion;
  }
  return detectedVersion();
}

void setOsVersionForTesting(const OsVersion* version) {
  std::lock_guard<std::mutex> lock(gVersionLock);
  gVersionFixed = version != nullptr;
  if (version) gFixedVersion = *version;
}

bool isWow64Process() { return false; }
bool disableWow64Redirection() { return false; }
bool nativeProcessorIsIa64() { return false; }

std::string userName() {
  struct passwd pw;
  struct passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(geteuid(), &pw, buffer, sizeof buffer, &found) == 0 && found && pw.pw_name &&
      *pw.pw_name)
    return pw.pw_name;
  for (const char* name : {"USER", "LOGNAME"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return std::string();
}

bool runsUnderWine() { return false; }

std::string hostPath(const std::string& path) { return path; }

bool isAdministrator() {
  bool asked = false;
  if (posix::rightsAskedForByTest(&asked)) return asked;
  if (geteuid() == 0) return true;
  // Whoever owns the machine root (or would create it) administers it.
  struct stat st;
  std::string folder = nearestExistingFolder(posix::machineRoot());
  return ::stat(folder.c_str(), &st) == 0 && st.st_uid == geteuid();
}

std::uint64_t systemTimeAsFileTime() {
  // Seconds from 1601-01-01 to 1970-01-01.
  constexpr std::uint64_t kEpochDifference = 11644473600ull;
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return (static_cast<std::uint64_t>(now.tv_sec) + kEpochDifference) * 10000000ull +
         static_cast<std::uint64_t>(now.tv_nsec) / 100u;
}

std::uint64_t tickMilliseconds() {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000u +
         static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
}

}  // namespace platform
