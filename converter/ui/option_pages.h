// The option pages inside the Save PDF dialog's tab control: General,
// Security, Display and Application. One page window exists at a time.
#pragma once

#include <string>

#include "converter/ui/save_dialog_state.h"
#include "platform/ui.h"

namespace vellora {

// Gives the tab control its tabs (the Application tab only while
// DisableAppTab is 0) and creates the first page.
void BuildTabs(SaveDialogState& state);

// Reads the page shown back into the settings, then shows `page` instead.
void SwitchPage(SaveDialogState& state, int page);

// What the user does on a page.
class OptionPageHandler : public platform::DialogHandler {
 public:
  explicit OptionPageHandler(SaveDialogState& state) : state_(state) {}
  void initialised(platform::Dialog& page) override;
  void clicked(platform::Dialog& page, int controlId) override;

 private:
  SaveDialogState& state_;
};

}  // namespace vellora
