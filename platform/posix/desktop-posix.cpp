// The GTK backend, loaded at run time: a program must keep running on a
// print server where GTK is not installed, so nothing links GTK but the
// module. It is looked for next to the program (in a build whose tests run,
// VELLORA_DESKTOP_MODULE may name another file).
#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <mutex>

#include "platform/desktop.h"
#include "platform/process.h"

namespace platform {

namespace {

constexpr const char kModuleName[] = "vlgtk.so";

std::string programFolder() {
  char self[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return std::string();
  std::string path(self, static_cast<std::size_t>(n));
  std::string::size_type slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string modulePath() {
#ifdef VELLORA_TEST_HOOKS
  std::string path;
  if (getEnvironment("VELLORA_DESKTOP_MODULE", &path) && !path.empty()) return path;
#endif
  return programFolder() + "/" + kModuleName;
}

// The display a window would go to, and which variable named it. X is
// preferred: a display that goes away there ends in the non-interactive path,
// while GTK ends the process when it loses a Wayland compositor.
bool findDisplay(std::string* display, std::string* variable) {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    if (getEnvironment(name, display) && !display->empty()) {
      *variable = name;
      return true;
    }
  }
  return false;
}

std::mutex gOpenLock;
// The backend, once made, serves the rest of the process on its display.
UserInterface* gOpened = nullptr;
std::string gOpenedDisplay;

}  // namespace

UserInterface* openDesktopUi(DesktopHost& host, std::string* why) {
  std::string display, variable;
  if (!findDisplay(&display, &variable)) {
    *why = "no display (DISPLAY and WAYLAND_DISPLAY are unset)";
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(gOpenLock);
  if (gOpened) {
    if (display == gOpenedDisplay) return gOpened;
    *why = "the desktop user interface is already open on the display " + gOpenedDisplay;
    return nullptr;
  }
  std::string path = modulePath();
  // RTLD_NOW: a module whose libraries are missing fails here, not at its
  // first call in the middle of a job.
  void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    const char* error = ::dlerror();
    *why = "the desktop module " + path + " could not be loaded (" +
           (error ? error : "unknown error") + ")";
    return nullptr;
  }
  auto entry = reinterpret_cast<DesktopModuleEntry>(::dlsym(module, kDesktopModuleEntryName));
  if (!entry) {
    *why = "the desktop module " + path + " has no entry point " + kDesktopModuleEntryName;
    ::dlclose(module);
    return nullptr;
  }
  char reason[512] = "";
  UserInterface* ui = entry(kDesktopInterfaceVersion, &host, display.c_str(), reason, sizeof reason);
  if (!ui) {
    *why = std::string(reason[0] ? reason : "the desktop module refused to start") + " (" +
           variable + "=" + display + ")";
    // The module stays loaded: GTK cannot be unloaded once it was started.
    return nullptr;
  }
  gOpened = ui;
  gOpenedDisplay = display;
  return ui;
}

}  // namespace platform
