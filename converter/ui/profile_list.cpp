#include "converter/ui/profile_list.h"

#include "common/text.h"
#include "converter/ui/string_table.h"
#include "platform/ui.h"

namespace vellora {

namespace {

void refresh(ProfileBar& bar) {
  if (bar.refresh) bar.refresh();
}

// The selected profile's name; empty when entry 0 (or nothing) is selected.
std::string selectedProfile(const ProfileListView& list) {
  const int selected = list.selection();
  return selected > 0 ? list.entry(selected) : std::string();
}

bool askYesNo(const std::string& question, unsigned icon) {
  return platform::ui().messageBox(question, stringTableText(kStrProductName),
                                   platform::kMbYesNo | icon | platform::kMbTopmost) ==
         platform::kIdYes;
}

}  // namespace

ProfileBar profileBarFor(ConverterRun& run) {
  ProfileBar bar;
  bar.job.keys = run.keys;
  bar.job.installDir = run.job.installDir.str();
  bar.job.title = run.job.title.str();
  bar.settings = &run.settings;
  return bar;
}

void ProfileListModel::clear() {
  entries_.clear();
  selection_ = -1;
}

void ProfileListModel::add(const std::string& entry) { entries_.push_back(entry); }

int ProfileListModel::count() const { return static_cast<int>(entries_.size()); }

std::string ProfileListModel::entry(int index) const {
  return index >= 0 && index < count() ? entries_[static_cast<std::size_t>(index)] : std::string();
}

void ProfileListModel::select(int index) { selection_ = index >= 0 && index < count() ? index : -1; }

int findProfileEntry(const ProfileListView& list, const std::string& name) {
  // An exact name first: saving "Report" must not select an older
  // "Report 2024" that happens to be listed before it.
  for (int i = 0; i < list.count(); ++i)
    if (equalsIgnoreCase(list.entry(i), name)) return i;
  for (int i = 0; i < list.count(); ++i)
    if (startsWithIgnoreCase(list.entry(i), name)) return i;
  return -1;
}

void FillProfileList(ProfileListView& list, ProfileBar& bar, std::optional<std::string> name) {
  std::optional<std::string> wanted = name;
  if (wanted && wanted->empty()) wanted = list.entry(list.selection());

  ProfileNames profiles = listProfiles(bar.job.keys);
  if (profiles.machineMode) raiseProfileButtonLocks(&bar.settings->controlLocks);

  list.clear();
  list.add(kSelectProfileEntry);
  for (const std::string& profile : profiles.names) list.add(profile);

  const int found = wanted ? findProfileEntry(list, *wanted) : -1;
  list.select(found >= 0 ? found : 0);

  if (bar.settings->record.RememberLast == 1) LoadProfile(bar.job, kLastSettingProfile, bar.settings);
  ApplyDefaultProfile(list, bar);
}

void ApplyDefaultProfile(ProfileListView& list, ProfileBar& bar) {
  const std::string defaultName = defaultProfileName();
  if (!defaultName.empty()) {
    const int found = findProfileEntry(list, defaultName);
    if (found >= 0) list.select(found);
  }
  std::string profile = selectedProfile(list);
  if (profile.empty()) {
    deleteUserDefaultProfile();
    if (bar.settings->record.RememberLast != 1) return;
    profile = kLastSettingProfile;
  }
  LoadProfile(bar.job, profile, bar.settings);
  refresh(bar);
}

void SetDefaultProfileFromList(ProfileListView& list, ProfileBar&) {
  const std::string profile = selectedProfile(list);
  if (profile.empty()) return;
  const std::string question =
      format("%s \"%s\" %s", stringTableText(kStrUse).c_str(), profile.c_str(),
             stringTableText(kStrAsDefaultProfile).c_str());
  if (askYesNo(question, platform::kMbIconQuestion)) setUserDefaultProfile(profile);
}

void DeleteProfileFromList(ProfileListView& list, ProfileBar& bar) {
  const std::string profile = selectedProfile(list);
  if (profile.empty()) return;
  const std::string question =
      format("%s \"%s\" ?", stringTableText(kStrDeleteProfile).c_str(), profile.c_str());
  if (!askYesNo(question, platform::kMbIconWarning)) return;
  deleteUserProfile(bar.job.keys, profile);
  FillProfileList(list, bar, std::nullopt);
}

void ProfileChosenInList(ProfileListView& list, ProfileBar& bar) {
  const std::string profile = selectedProfile(list);
  if (!profile.empty()) LoadProfile(bar.job, profile, bar.settings);
  refresh(bar);
}

int SaveProfileFromList(ProfileListView& list, ProfileBar& bar, const std::string& name) {
  const int saved = SaveProfile(bar.job.keys, name, bar.settings->record);
  FillProfileList(list, bar, name);
  return saved;
}

}  // namespace vellora
