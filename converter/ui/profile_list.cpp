#include "converter/ui/profile_list.h"

#include <optional>

#include "converter/settings/profiles.h"
#include "converter/ui/dialog_ids.h"
#include "converter/ui/small_windows.h"

namespace vellora {

namespace {

// The dialog's profile list as the profile bar sees it.
class DialogProfileList : public ProfileListView {
 public:
  explicit DialogProfileList(platform::Dialog& dialog) : dialog_(dialog) {}
  void clear() override { dialog_.clearList(kProfileList); }
  void add(const std::string& entry) override { dialog_.addListEntry(kProfileList, entry); }
  int count() const override { return dialog_.listCount(kProfileList); }
  std::string entry(int index) const override { return dialog_.listEntry(kProfileList, index); }
  int selection() const override { return dialog_.selection(kProfileList); }
  void select(int index) override { dialog_.select(kProfileList, index); }

 private:
  platform::Dialog& dialog_;
};

// Runs one operation of the profile bar on the dialog's list.
template <typename Operation>
void onProfileBar(SaveDialogState& state, Operation operation) {
  if (!state.dialog) return;
  DialogProfileList list(*state.dialog);
  ProfileBar bar(list, profileJobFor(state.run), state.settings,
                 [&state] { RefreshSaveDialog(state); });
  operation(bar);
}

}  // namespace

void FillProfileList(SaveDialogState& state, const std::string* name) {
  std::optional<std::string> wanted;
  if (name) wanted = *name;
  onProfileBar(state, [&](ProfileBar& bar) { bar.fill(wanted); });
}

void ApplyDefaultProfile(SaveDialogState& state) {
  onProfileBar(state, [](ProfileBar& bar) { bar.applyDefault(); });
}

void SelectProfile(SaveDialogState& state) {
  onProfileBar(state, [](ProfileBar& bar) { bar.chosen(); });
}

void SetDefaultProfile(SaveDialogState& state) {
  onProfileBar(state, [](ProfileBar& bar) { bar.setDefault(); });
}

void DeleteSelectedProfile(SaveDialogState& state) {
  onProfileBar(state, [](ProfileBar& bar) { bar.deleteSelected(); });
}

void SaveCurrentProfile(SaveDialogState& state) {
  platform::Dialog& d = *state.dialog;
  ReadPage(state, state.currentPage, false);
  ReadMainControls(state);
  std::string initial = d.selection(kProfileList) > 0 ? d.text(kProfileList) : std::string();
  std::string name;
  if (askProfileName(initial, &name) != 1) return;
  onProfileBar(state, [&](ProfileBar& bar) { bar.save(name); });
}

}  // namespace vellora
