// The profile bar of the Save PDF dialog: the list of stored profiles and
// its Default and Del buttons, and what choosing an entry does.
//
// The operations work on the list through ProfileListView, so the dialog
// binds them to its list control and anything else (a test, a dialog that
// is not shown) to a plain list of its own.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "converter/job/converter_run.h"
#include "converter/settings/profiles.h"

namespace vellora {

// Entry 0 of the list; it names no profile.
constexpr const char kSelectProfileEntry[] = "Select profile...";

// What the list operations need of the list control.
class ProfileListView {
 public:
  virtual ~ProfileListView() = default;
  virtual void clear() = 0;
  virtual void add(const std::string& entry) = 0;
  virtual int count() const = 0;
  virtual std::string entry(int index) const = 0;
  virtual int selection() const = 0;  // -1 when none
  virtual void select(int index) = 0;
};

// A list held in memory.
class ProfileListModel : public ProfileListView {
 public:
  void clear() override;
  void add(const std::string& entry) override;
  int count() const override;
  std::string entry(int index) const override;
  int selection() const override { return selection_; }
  void select(int index) override;
  const std::vector<std::string>& entries() const { return entries_; }

 private:
  std::vector<std::string> entries_;
  int selection_ = -1;
};

// What the operations change besides the list.
struct ProfileBar {
  ProfileJob job;                      // printer keys, product folder, document title
  LoadedSettings* settings = nullptr;  // the job's settings, replaced by a loaded profile
  // Shows the settings again after a profile was loaded: the advanced
  // options page on show and the dialog's own controls.
  std::function<void()> refresh;
};

// The profile bar of a job: its printer, product folder, title and settings.
ProfileBar profileBarFor(ConverterRun& run);

// Refills the list ("Select profile..." and the printer's profiles) and
// applies the default profile. With a name, selects that profile; with an
// empty name, the entry the list showed; with none, entry 0. While the
// machine's profiles key exists only machine profiles are listed and the
// Save, Delete and Default buttons are locked.
void FillProfileList(ProfileListView& list, ProfileBar& bar, std::optional<std::string> name);

// Selects and loads the default profile; when it is not listed, forgets it
// and loads the last settings (with "remember last" on).
void ApplyDefaultProfile(ProfileListView& list, ProfileBar& bar);

// The Default button: asks, then makes the selected profile the user's
// default. Nothing when entry 0 is selected.
void SetDefaultProfileFromList(ProfileListView& list, ProfileBar& bar);

// The Del button: asks, then deletes the selected user profile and refills
// the list. Nothing when entry 0 is selected.
void DeleteProfileFromList(ProfileListView& list, ProfileBar& bar);

// The user chose an entry: its profile is loaded (entry 0 loads nothing)
// and shown.
void ProfileChosenInList(ProfileListView& list, ProfileBar& bar);

// The profile name dialog's OK: stores the settings under the name and
// refills the list with it selected. The result of SaveProfile.
int SaveProfileFromList(ProfileListView& list, ProfileBar& bar, const std::string& name);

// The entry a name selects: the first whose text equals it (letter case
// ignored), else the first that begins with it; -1 when none.
int findProfileEntry(const ProfileListView& list, const std::string& name);

}  // namespace vellora
