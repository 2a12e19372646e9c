// The Save PDF dialog's own controls: the quality list, the view, e-mail and
// advanced boxes and the profile controls, with the locks that apply to them.
#include <algorithm>
#include <cctype>

#include "converter/ui/dialog_ids.h"
#include "converter/ui/option_pages.h"
#include "converter/ui/save_dialog_state.h"
#include "converter/ui/string_table.h"

namespace vellora {

namespace {

int lockOf(const SaveDialogState& state, const char* setting) {
  return state.settings.locks.of(setting);
}

int pageStateOf(const SaveDialogState& state, const char* setting) {
  return state.settings.controlLocks.of(setting);
}

// `heldOff`: disabled for a reason of the dialog's own, whatever the lock.
void lockControl(SaveDialogState& state, int id, const char* setting, bool heldOff = false) {
  ApplyLock(*state.dialog, id, lockOf(state, setting),
            std::max(pageStateOf(state, setting), heldOff ? 1 : 0));
}

}  // namespace

void ApplyLock(platform::DialogControls& dialog, int controlId, int lockLevel, int pageLevel) {
  if (lockLevel == 2 || pageLevel == 2)
    dialog.show(controlId, false);
  else
    dialog.enable(controlId, !(lockLevel == 1 || pageLevel == 1));
}

int findEntryStartingWith(const platform::DialogControls& dialog, int listId, const std::string& prefix) {
  auto lower = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  };
  const std::string wanted = lower(prefix);
  int count = dialog.listCount(listId);
  for (int i = 0; i < count; ++i)
    if (lower(dialog.listEntry(listId, i)).compare(0, wanted.size(), wanted) == 0) return i;
  return -1;
}

void ShowMainControls(SaveDialogState& state) {
  platform::Dialog& d = *state.dialog;
  SettingsRecord& s = state.settings.record;
  if (s.PDFQuality[0] == '\0') setFieldText(s.PDFQuality, stringTableText(kStrPresetStandard));
  int quality = findEntryStartingWith(d, kQualityList, fieldText(s.PDFQuality));
  if (quality >= 0) d.select(kQualityList, quality);
  d.setChecked(kViewResultBox, s.AutoView != 0);
  d.setChecked(kEmailResultBox, s.AutoEmail != 0);
  d.setChecked(kAdvancedBox, s.DispAdvanced != 0);

  const bool notPdf = state.job.filterIndex > 1;
  lockControl(state, kQualityList, "autooptsetting", notPdf);
  lockControl(state, kQualityLabel, "autooptsetting", notPdf);
  lockControl(state, kViewResultBox, "AutoView",
              !state.job.pdfReaderInstalled || state.postScriptChosen);
  lockControl(state, kEmailResultBox, "AutoEmail", state.postScriptChosen);
  lockControl(state, kAdvancedBox, "DispAdvanced", state.advancedHeld);

  lockControl(state, kProfileList, "LockProfileSelect");
  lockControl(state, kSaveProfileButton, "LockProfileSave");
  lockControl(state, kDefaultProfileButton, "LockProfileDefault");
  lockControl(state, kDeleteProfileButton, "LockProfileDelete");
  int all = std::max(lockOf(state, "LockProfiles"), pageStateOf(state, "LockProfiles"));
  if (all > 0)
    for (int id : {kProfileList, kSaveProfileButton, kDefaultProfileButton, kDeleteProfileButton})
      ApplyLock(d, id, all, 0);
}

void ReadMainControls(SaveDialogState& state) {
  platform::Dialog& d = *state.dialog;
  SettingsRecord& s = state.settings.record;
  // Nothing is chosen while the list is still empty or being filled.
  std::string quality = d.text(kQualityList);
  if (!quality.empty() && quality != stringTableText(kStrLoading))
    setFieldText(s.PDFQuality, quality);
  s.autooptsetting = d.selection(kQualityList);
  s.AutoView = d.isChecked(kViewResultBox) ? 1 : 0;
  s.AutoEmail = d.isChecked(kEmailResultBox) ? 1 : 0;
  s.DispAdvanced = d.isChecked(kAdvancedBox) ? 1 : 0;
}

void RefreshSaveDialog(SaveDialogState& state) {
  if (!state.dialog) return;
  if (state.page) ShowPage(state, state.currentPage);
  ShowMainControls(state);
}

}  // namespace vellora
