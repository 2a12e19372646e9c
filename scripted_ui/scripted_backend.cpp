#include "scripted_ui/scripted_backend.h"

#include <string>

#include "platform/ui.h"
#include "scripted_ui/desktop_host.h"
#include "scripted_ui/scripted_ui.h"

namespace platform {

namespace {

UserInterface* scriptedFromEnvironment(const std::string& noDesktop) {
  ScriptedUi* ui = ScriptedUi::fromEnvironment();
  if (!noDesktop.empty())
    ui->setDescription("none: no desktop user interface and no script (VELLORA_UI_SCRIPT): " +
                       noDesktop);
  return ui;
}

}  // namespace

void installScriptedBackend() { setScriptedBackend({scriptedFromEnvironment, desktopHost}); }

}  // namespace platform
