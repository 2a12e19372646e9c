// Read from the environment, so that a test sets them for the programs it
// starts as well as for itself.
#include "platform/posix/test_switches.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace platform {
namespace posix {

namespace {

bool sameText(const char* a, const char* b) { return strcasecmp(a, b) == 0; }

OsVersion make(OsPlatform platform, int major, int minor, int build) {
  return OsVersion{platform, major, minor, build, std::string(), false};
}

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

}  // namespace

// "95", "98", "Me", "NT4", "2000", "XP", "2003", "Vista", "7", "10", or
// "nt:MAJOR.MINOR" / "9x:MAJOR.MINOR".
bool versionAskedForByTest(OsVersion* version) {
  const char* named = std::getenv("VELLORA_OS_VERSION");
  if (!named || !*named) return false;
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
  return false;
}

// "admin" or "user".
bool rightsAskedForByTest(bool* administrator) {
  const char* rights = std::getenv("VELLORA_USER_RIGHTS");
  if (rights == nullptr) return false;
  const bool user = sameText(rights, "user");
  if (!user && !sameText(rights, "admin")) return false;
  *administrator = !user;
  return true;
}

}  // namespace posix
}  // namespace platform
