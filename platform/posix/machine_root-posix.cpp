// Where the machine-wide and per-user stores live on POSIX.
#include "platform/posix/machine_root.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace platform {
namespace posix {

namespace {

std::string environmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string homeFolder() {
  std::string home = environmentValue("HOME");
  if (!home.empty()) return home;
  // Daemons and cron jobs may run without HOME; the account database knows.
  if (const passwd* entry = getpwuid(getuid()))
    if (entry->pw_dir && entry->pw_dir[0]) return entry->pw_dir;
  return "/tmp";
}

std::string withoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

#ifndef VELLORA_SYSTEM_ROOT
#define VELLORA_SYSTEM_ROOT "/var/lib/vellora"
#endif

std::string systemMachineRoot() { return VELLORA_SYSTEM_ROOT; }

std::string chooseMachineRoot(const std::string& override, bool runsAsRoot, bool systemInstalled,
                              const std::string& home) {
  if (!override.empty()) return withoutTrailingSlashes(override);
  if (runsAsRoot || systemInstalled) return systemMachineRoot();
  return withoutTrailingSlashes(home) + "/.vellora";
}

std::string machineRoot() {
  const std::string override = environmentValue("VELLORA_ROOT");
  if (!override.empty()) return withoutTrailingSlashes(override);
  struct stat info;
  const bool systemInstalled = ::stat((systemMachineRoot() + "/registry/machine.db").c_str(), &info) == 0;
  return chooseMachineRoot(override, geteuid() == 0, systemInstalled, homeFolder());
}

std::string machineStorePath() { return machineRoot() + "/registry/machine.db"; }

std::string userConfigFolder() {
  // The desktop conventions ignore a relative XDG_CONFIG_HOME.
  std::string base = environmentValue("XDG_CONFIG_HOME");
  if (base.empty() || base[0] != '/') base = withoutTrailingSlashes(homeFolder()) + "/.config";
  return withoutTrailingSlashes(base) + "/vellora";
}

std::string userStorePath() { return userConfigFolder() + "/registry.db"; }

}  // namespace posix
}  // namespace platform
