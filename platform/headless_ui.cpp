#include "platform/headless_ui.h"

#include "platform/ui_text.h"

namespace platform {

HeadlessUi::HeadlessUi(const std::string& why)
    : description_("none: no desktop user interface and no script (VELLORA_UI_SCRIPT): " + why) {}

int HeadlessUi::messageBox(const std::string&, const std::string&, unsigned flags, const Dialog*) {
  return safeMessageBoxButton(flags);
}

int HeadlessUi::runModal(const DialogTemplate&, DialogHandler&) { return kDialogUnavailable; }

std::unique_ptr<Dialog> HeadlessUi::openModeless(const DialogTemplate&, DialogHandler*) {
  return nullptr;
}

SaveAsResult HeadlessUi::runSaveAs(const SaveAsRequest&, const DialogTemplate&, DialogHandler&) {
  SaveAsResult result;
  result.status = SaveAsStatus::kUnavailable;
  return result;
}

}  // namespace platform
