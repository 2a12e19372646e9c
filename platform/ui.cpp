// The process-wide user interface and what every backend shares. The default
// is chosen at the first ui(): a script gives the scripted backend (where the
// program installed it), else a desktop backend when there is a desktop,
// else one where nobody can be asked. It is chosen again after a reset, so a
// test that changes VELLORA_UI_SCRIPT or VELLORA_UI_LOG gets a backend that
// sees them.
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/desktop.h"
#include "platform/headless_ui.h"
#include "platform/process.h"
#include "platform/ui.h"

namespace platform {

namespace {

std::mutex gUiLock;
UserInterface* gReplacement = nullptr;
UserInterface* gDefault = nullptr;
ScriptedBackend gScripted = {nullptr, nullptr};
// Earlier defaults stay alive: callers may still hold references to them. (A
// desktop backend lives for the whole process anyway.)
std::vector<std::unique_ptr<UserInterface>>& defaults() {
  static std::vector<std::unique_ptr<UserInterface>> all;
  return all;
}

UserInterface* keep(UserInterface* backend) {
  defaults().emplace_back(backend);
  return backend;
}

UserInterface* chooseUserInterface() {
  std::string script;
  if (gScripted.fromEnvironment && getEnvironment("VELLORA_UI_SCRIPT", &script) &&
      !script.empty())
    return keep(gScripted.fromEnvironment(std::string()));
  std::string why;
  DesktopHost& host = gScripted.desktopHost ? gScripted.desktopHost() : plainDesktopHost();
  if (UserInterface* desktop = openDesktopUi(host, &why)) return desktop;
  if (gScripted.fromEnvironment) return keep(gScripted.fromEnvironment(why));
  return keep(new HeadlessUi(why));
}

}  // namespace

void setScriptedBackend(const ScriptedBackend& backend) {
  std::lock_guard<std::mutex> lock(gUiLock);
  gScripted = backend;
  gDefault = nullptr;
}

namespace {

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
