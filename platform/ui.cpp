// The process-wide user interface and what every backend shares. The default
// is the scripted one built from the environment; it is built again after a
// reset so a test that changes VELLORA_UI_SCRIPT or VELLORA_UI_LOG gets a
// backend that sees them.
#include <memory>
#include <mutex>
#include <vector>

#include "platform/scripted_ui.h"
#include "platform/ui.h"

namespace platform {

namespace {

std::mutex gUiLock;
UserInterface* gReplacement = nullptr;
ScriptedUi* gDefault = nullptr;
// Earlier defaults stay alive: callers may still hold references to them.
std::vector<std::unique_ptr<ScriptedUi>>& defaults() {
  static std::vector<std::unique_ptr<ScriptedUi>> all;
  return all;
}

}  // namespace

const ControlTemplate* DialogTemplate::find(int controlId) const {
  for (std::size_t i = 0; i < controlCount; ++i)
    if (controls[i].id == controlId) return &controls[i];
  return nullptr;
}

void DialogHandler::initialised(Dialog&) {}
void DialogHandler::clicked(Dialog&, int) {}
void DialogHandler::selectionChanged(Dialog&, int) {}
void DialogHandler::tabChanged(Dialog&, int) {}
void DialogHandler::fileTypeChanged(Dialog&, int) {}
bool DialogHandler::nameAccepted(Dialog&, const std::string&) { return true; }
void DialogHandler::closing(Dialog&) {}

UserInterface& ui() {
  std::lock_guard<std::mutex> lock(gUiLock);
  if (gReplacement) return *gReplacement;
  if (!gDefault) {
    defaults().emplace_back(ScriptedUi::fromEnvironment());
    gDefault = defaults().back().get();
  }
  return *gDefault;
}

void setUserInterface(UserInterface* replacement) {
  std::lock_guard<std::mutex> lock(gUiLock);
  gReplacement = replacement;
  if (!replacement) gDefault = nullptr;
}

}  // namespace platform
