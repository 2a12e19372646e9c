// The profile controls of the Save PDF dialog: the list of stored profiles
// (1026) and the Save Current, Default and Del buttons. The dialog's hook
// calls these on its thread.
#pragma once

#include <string>

#include "converter/ui/profile_bar.h"
#include "converter/ui/save_dialog_state.h"

namespace vellora {

// Refills the profile list and ends with ApplyDefaultProfile. `name` is the
// entry to select: nullptr selects nothing particular, an empty text the
// list's current text, any other text that profile (the first entry
// beginning with it when none has exactly that name).
void FillProfileList(SaveDialogState& state, const std::string* name);

// Selects and loads the default profile, or the last settings.
void ApplyDefaultProfile(SaveDialogState& state);

// The user chose an entry of the list: its profile is loaded and shown.
void SelectProfile(SaveDialogState& state);

// Default: asks whether the selected profile becomes the default.
void SetDefaultProfile(SaveDialogState& state);

// Del: asks, then deletes the selected user profile and refills the list.
void DeleteSelectedProfile(SaveDialogState& state);

// Save Current: reads the dialog back, asks for a name (starting with the
// selected profile's) and stores the settings under it.
void SaveCurrentProfile(SaveDialogState& state);

}  // namespace vellora
