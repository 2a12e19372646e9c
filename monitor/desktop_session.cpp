#include "monitor/desktop_session.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

namespace vellora {
namespace monitor {

const char* const kDesktopVariables[] = {"DISPLAY",        "WAYLAND_DISPLAY",          "XAUTHORITY",
                                         "XDG_RUNTIME_DIR", "DBUS_SESSION_BUS_ADDRESS", nullptr};

namespace {

constexpr int kMaxProcesses = 100000;
// Environments are small; a bigger one is not read past this.
constexpr std::streamsize kMaxEnvironmentBytes = 1 << 20;

bool isNumber(const char* text) {
  if (!*text) return false;
  for (; *text; ++text)
    if (*text < '0' || *text > '9') return false;
  return true;
}

std::vector<std::string> environmentOf(const std::string& pid) {
  std::vector<std::string> entries;
  std::ifstream in("/proc/" + pid + "/environ", std::ios::binary);
  std::string entry;
  std::streamsize read = 0;
  while (read < kMaxEnvironmentBytes && std::getline(in, entry, '\0')) {
    read += static_cast<std::streamsize>(entry.size()) + 1;
    entries.push_back(entry);
  }
  return entries;
}

// A display on this machine (":0") rather than one forwarded from elsewhere.
bool isLocal(const std::vector<std::string>& variables) {
  for (const std::string& entry : variables)
    if (entry.compare(0, 16, "WAYLAND_DISPLAY=") == 0 || entry.compare(0, 9, "DISPLAY=:") == 0) return true;
  return false;
}

}  // namespace

std::vector<std::string> desktopVariablesIn(const std::vector<std::string>& environment) {
  std::vector<std::string> found;
  bool display = false;
  for (const std::string& entry : environment) {
    std::string::size_type equals = entry.find('=');
    if (equals == std::string::npos || equals + 1 == entry.size()) continue;
    std::string name = entry.substr(0, equals);
    for (const char* const* wanted = kDesktopVariables; *wanted; ++wanted) {
      if (name != *wanted) continue;
      found.push_back(entry);
      display = display || name == "DISPLAY" || name == "WAYLAND_DISPLAY";
    }
  }
  if (!display) found.clear();
  return found;
}

std::vector<std::string> desktopSessionOf(uid_t uid) {
  std::vector<std::string> best;
  DIR* proc = opendir("/proc");
  if (!proc) return best;
  int seen = 0;
  while (struct dirent* entry = readdir(proc)) {
    if (++seen > kMaxProcesses) break;
    if (!isNumber(entry->d_name)) continue;
    struct stat info;
    std::string folder = std::string("/proc/") + entry->d_name;
    if (stat(folder.c_str(), &info) != 0 || info.st_uid != uid) continue;
    std::vector<std::string> variables = desktopVariablesIn(environmentOf(entry->d_name));
    if (variables.empty()) continue;
    if (isLocal(variables)) {
      best = variables;
      break;
    }
    if (best.empty()) best = variables;
  }
  closedir(proc);
  return best;
}

}  // namespace monitor
}  // namespace vellora
