// The process-wide user interface and what every backend shares. The default
// is chosen at the first ui(): a script gives the scripted backend, else a
// desktop backend when there is a desktop, else the scripted one without a
// script (nobody can be asked). It is chosen again after a reset, so a test
// that changes VELLORA_UI_SCRIPT or VELLORA_UI_LOG gets a backend that sees
// them.
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/desktop.h"
#include "platform/process.h"
#include "platform/scripted_ui.h"
#include "platform/ui.h"

namespace platform {

namespace {

std::mutex gUiLock;
UserInterface* gReplacement = nullptr;
UserInterface* gDefault = nullptr;
// Earlier scripted defaults stay alive: callers may still hold references to
// them. (A desktop backend lives for the whole process anyway.)
std::vector<std::unique_ptr<ScriptedUi>>& defaults() {
  static std::vector<std::unique_ptr<ScriptedUi>> all;
  return all;
}

UserInterface* chooseUserInterface() {
  std::string script;
  if (getEnvironment("VELLORA_UI_SCRIPT", &script) && !script.empty()) {
    defaults().emplace_back(ScriptedUi::fromEnvironment());
    return defaults().back().get();
  }
  std::string why;
  if (UserInterface* desktop = openDesktopUi(desktopHost(), &why)) return desktop;
  defaults().emplace_back(ScriptedUi::fromEnvironment());
  defaults().back()->setDescription(
      "none: no desktop user interface and no script (VELLORA_UI_SCRIPT): " + why);
  return defaults().back().get();
}

std::mutex gImageLock;
std::map<int, ImageResource>& images() {
  static std::map<int, ImageResource> all;
  return all;
}

}  // namespace

const ControlTemplate* DialogTemplate::find(int controlId) const {
  for (std::size_t i = 0; i < controlCount; ++i)
    if (controls[i].id == controlId) return &controls[i];
  return nullptr;
}

UserInterface& ui() {
  std::lock_guard<std::mutex> lock(gUiLock);
  if (gReplacement) return *gReplacement;
  if (!gDefault) gDefault = chooseUserInterface();
  return *gDefault;
}

void setUserInterface(UserInterface* replacement) {
  std::lock_guard<std::mutex> lock(gUiLock);
  gReplacement = replacement;
  if (!replacement) gDefault = nullptr;
}

void registerImageResources(const ImageResource* list, std::size_t count) {
  std::lock_guard<std::mutex> lock(gImageLock);
  for (std::size_t i = 0; i < count; ++i) images()[list[i].id] = list[i];
}

const ImageResource* findImageResource(int id) {
  std::lock_guard<std::mutex> lock(gImageLock);
  auto found = images().find(id);
  return found == images().end() ? nullptr : &found->second;
}

}  // namespace platform
