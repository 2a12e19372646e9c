#include "converter/ui/profile_list.h"

#include "converter/settings/profiles.h"
#include "converter/ui/dialog_ids.h"
#include "converter/ui/small_windows.h"

namespace vellora {

// The list offers its first entry until the stored profiles are bound to it.
void FillProfileList(SaveDialogState& state, const std::string*) {
  platform::Dialog& d = *state.dialog;
  d.clearList(kProfileList);
  d.addListEntry(kProfileList, kSelectProfileEntry);
  d.select(kProfileList, 0);
  ApplyDefaultProfile(state);
}

void ApplyDefaultProfile(SaveDialogState&) {}

void SelectProfile(SaveDialogState& state) { RefreshSaveDialog(state); }

void SetDefaultProfile(SaveDialogState&) {}

void DeleteSelectedProfile(SaveDialogState&) {}

void SaveCurrentProfile(SaveDialogState& state) {
  platform::Dialog& d = *state.dialog;
  ReadPage(state, state.currentPage, false);
  ReadMainControls(state);
  std::string initial = d.selection(kProfileList) > 0 ? d.text(kProfileList) : std::string();
  std::string name;
  if (askProfileName(initial, &name) != 1) return;
  SaveProfile(state.run.keys, name, state.settings.record);
  FillProfileList(state, &name);
}

}  // namespace vellora
