#include "converter/ui/profile_bar.h"

#include <utility>

#include "common/text.h"
#include "converter/ui/string_table.h"
#include "platform/ui.h"

namespace vellora {

namespace {

bool askYesNo(const std::string& question, unsigned icon) {
  return platform::ui().messageBox(question, stringTableText(kStrProductName),
                                   platform::kMbYesNo | icon | platform::kMbTopmost) ==
         platform::kIdYes;
}

}  // namespace

ProfileJob profileJobFor(const ConverterRun& run) {
  ProfileJob job;
  job.keys = run.keys;
  job.installDir = run.job.installDir.str();
  job.title = run.job.title.str();
  return job;
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

ProfileBar::ProfileBar(ProfileListView& list, const ProfileJob& job, LoadedSettings& settings,
                       std::function<void()> refresh)
    : list_(list), job_(job), settings_(settings), refresh_(std::move(refresh)) {}

std::string ProfileBar::selectedProfile() const {
  const int selected = list_.selection();
  return selected > 0 ? list_.entry(selected) : std::string();
}

void ProfileBar::refresh() {
  if (refresh_) refresh_();
}

void ProfileBar::fill(std::optional<std::string> name) {
  const bool named = name && !name->empty();
  if (name && name->empty()) name = list_.entry(list_.selection());

  ProfileNames profiles = listProfiles(job_.keys);
  if (profiles.machineMode) raiseProfileButtonLocks(&settings_.controlLocks);

  list_.clear();
  list_.add(kSelectProfileEntry);
  for (const std::string& profile : profiles.names) list_.add(profile);

  const int found = name ? findProfileEntry(list_, *name) : -1;
  list_.select(found >= 0 ? found : 0);

  if (settings_.record.RememberLast == 1) LoadProfile(job_, kLastSettingProfile, &settings_);
  // A profile just saved stays the one in use: the default profile must not
  // replace the settings the user has in the dialog.
  applyDefault(named && found > 0);
}

void ProfileBar::applyDefault() { applyDefault(false); }

void ProfileBar::applyDefault(bool keepSelection) {
  const std::string defaultName = keepSelection ? std::string() : defaultProfileName();
  if (!defaultName.empty()) {
    const int found = findProfileEntry(list_, defaultName);
    if (found >= 0) list_.select(found);
  }
  std::string profile = selectedProfile();
  if (profile.empty()) {
    // Not listed is not gone: while machine profiles are published the
    // user's own default waits for them to go.
    forgetVanishedUserDefaultProfile(job_.keys);
    if (settings_.record.RememberLast != 1) return;
    profile = kLastSettingProfile;
  }
  LoadProfile(job_, profile, &settings_);
  refresh();
}

void ProfileBar::setDefault() {
  const std::string profile = selectedProfile();
  if (profile.empty()) return;
  const std::string question =
      format("%s \"%s\" %s", stringTableText(kStrUse).c_str(), profile.c_str(),
             stringTableText(kStrAsDefaultProfile).c_str());
  if (askYesNo(question, platform::kMbIconQuestion)) setUserDefaultProfile(profile);
}

void ProfileBar::deleteSelected() {
  const std::string profile = selectedProfile();
  if (profile.empty()) return;
  const std::string question =
      format("%s \"%s\" ?", stringTableText(kStrDeleteProfile).c_str(), profile.c_str());
  if (!askYesNo(question, platform::kMbIconWarning)) return;
  deleteUserProfile(job_.keys, profile);
  fill(std::nullopt);
}

void ProfileBar::chosen() {
  const std::string profile = selectedProfile();
  if (!profile.empty()) LoadProfile(job_, profile, &settings_);
  refresh();
}

int ProfileBar::save(const std::string& name) {
  const int saved = SaveProfile(job_.keys, name, profileAsSaved(settings_.record, job_.title));
  fill(name);
  return saved;
}

}  // namespace vellora
