// Identity of the machine and the user on POSIX. The operating-system version
// is what the programs branch on; a Linux host stands for the current NT
// family. A test build may be told to play another system or another user's
// rights (VELLORA_OS_VERSION, VELLORA_USER_RIGHTS); a shipped build never
// reads either, so no user can lift an administrator's locks with them.
#include <pwd.h>
#include <sys/stat.h>
#include <strings.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

#include "platform/posix/machine_root.h"
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

#ifdef VELLORA_TEST_HOOKS
bool sameText(const char* a, const char* b) { return strcasecmp(a, b) == 0; }

// "nt:6.1" or "9x:4.10"; false when the text is not of that shape.
bool parseExplicit(const char* text, OsVersion* version) {
  OsPlatform platform;
  if (strncasecmp(text, "nt:", 3) == 0)
    platform = kWin32Nt;
  else if (strncasecmp(text, "9x:", 3) == 0)
    platform = kWin32Windows;
  else
    return false;
  int major = 0, minor = 0;
  char extra = 0;
  int fields = std::sscanf(text + 3, "%d.%d%c", &major, &minor, &extra);
  if (fields == 1) minor = 0;
  if (fields < 1 || fields > 2 || major < 0 || minor < 0) return false;
  *version = make(platform, major, minor, 0);
  return true;
}

// The system a test asks for: "95", "98", "Me", "NT4", "2000", "XP",
// "2003", "Vista", "7", "10", or "nt:MAJOR.MINOR" / "9x:MAJOR.MINOR".
bool versionAskedForByTest(OsVersion* version) {
  const char* named = std::getenv("VELLORA_OS_VERSION");
  if (named && *named) {
    if (parseExplicit(named, version)) return true;
    struct Known {
      const char* name;
      OsPlatform platform;
      int major, minor, build;
    };
    static const Known kKnown[] = {
        {"95", kWin32Windows, 4, 0, 950},  {"98", kWin32Windows, 4, 10, 1998},
        {"Me", kWin32Windows, 4, 90, 3000}, {"NT4", kWin32Nt, 4, 0, 1381},
        {"2000", kWin32Nt, 5, 0, 2195},    {"XP", kWin32Nt, 5, 1, 2600},
        {"2003", kWin32Nt, 5, 2, 3790},    {"Vista", kWin32Nt, 6, 0, 6002},
        {"7", kWin32Nt, 6, 1, 7601},       {"10", kWin32Nt, 10, 0, 19045},
    };
    for (const auto& k : kKnown) {
      if (sameText(named, k.name)) {
        *version = make(k.platform, k.major, k.minor, k.build);
        return true;
      }
    }
  }
  return false;
}

// The rights a test asks for: "admin" or "user"; false when it asks for none.
bool rightsAskedForByTest(bool* administrator) {
  const char* rights = std::getenv("VELLORA_USER_RIGHTS");
  if (rights == nullptr) return false;
  const bool user = sameText(rights, "user");
  if (!user && !sameText(rights, "admin")) return false;
  *administrator = !user;
  return true;
}
#endif

OsVersion detectedVersion() {
#ifdef VELLORA_TEST_HOOKS
  OsVersion asked;
  if (versionAskedForByTest(&asked)) return asked;
#endif
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
#ifdef VELLORA_TEST_HOOKS
  bool asked = false;
  if (rightsAskedForByTest(&asked)) return asked;
#endif
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
