#include "scripted_ui/scripted_backend.h"

#include "platform/ui.h"
#include "scripted_ui/desktop_host.h"
#include "scripted_ui/scripted_ui.h"

namespace platform {

void installScriptedBackend() {
  setScriptedBackend(
      {[]() -> UserInterface* { return ScriptedUi::fromEnvironment(); }, desktopHost});
}

}  // namespace platform
