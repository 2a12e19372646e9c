// The four option pages, one file each; option_pages.cpp dispatches to them.
#pragma once

#include "converter/ui/save_dialog_state.h"
#include "platform/ui.h"

namespace vellora {

// Lock of a control by its setting: the setting's lock and its page state.
void lockBySetting(SaveDialogState& state, platform::DialogControls& page, int controlId,
                   const char* setting);

// Text limits of fields read back from edits.
constexpr std::size_t kShortTextLimit = 254;
constexpr std::size_t kKeywordsLimit = 499;

void createGeneralPage(SaveDialogState& state, platform::DialogControls& page);
void showGeneralPage(SaveDialogState& state, platform::DialogControls& page);
void readGeneralPage(SaveDialogState& state, platform::DialogControls& page);

void showSecurityPage(SaveDialogState& state, platform::DialogControls& page);
void readSecurityPage(SaveDialogState& state, platform::DialogControls& page);

void createDisplayPage(SaveDialogState& state, platform::Dialog& page);
void showDisplayPage(SaveDialogState& state, platform::DialogControls& page);
void readDisplayPage(SaveDialogState& state, platform::DialogControls& page);
void displayPageClicked(SaveDialogState& state, platform::DialogControls& page, int controlId);

void showApplicationPage(SaveDialogState& state, platform::DialogControls& page);
void readApplicationPage(SaveDialogState& state, platform::DialogControls& page, bool closing);
void applicationPageClicked(SaveDialogState& state, platform::DialogControls& page, int controlId);

}  // namespace vellora
