// The profile controls of the Save PDF dialog: the list of stored profiles
// with its Save Current, Default and Del buttons, and what choosing an
// entry does.
//
// ProfileBar works on the list through ProfileListView, so the dialog binds
// it to its list control and anything else (a test, a dialog that is not
// shown) to a plain list of its own.
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

// What the operations need of the list control.
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

// The printer keys, product folder and document title of a job.
ProfileJob profileJobFor(const ConverterRun& run);

class ProfileBar {
 public:
  // `refresh` shows the settings again after a profile was loaded: the
  // advanced options page on show and the dialog's own controls.
  ProfileBar(ProfileListView& list, const ProfileJob& job, LoadedSettings& settings,
             std::function<void()> refresh);

  // Refills the list ("Select profile..." and the printer's profiles) and
  // applies the default profile. With a name, selects that profile; with
  // an empty name, the entry the list showed; with none, entry 0. A profile
  // selected by its name (the one just saved) stays selected and in use;
  // otherwise the default profile applies. While the machine's profiles key exists only machine
  // profiles are listed and the Save, Delete and Default buttons are locked.
  void fill(std::optional<std::string> name);
  // Selects and loads the default profile; when it is not listed, loads
  // the last settings (with "remember last" on), and forgets the user's
  // default when the user has no profile of that name any more.
  void applyDefault();
  // The Default button: asks, then makes the selected profile the user's
  // default. Nothing when entry 0 is selected.
  void setDefault();
  // The Del button: asks, then deletes the selected user profile and
  // refills the list. Nothing when entry 0 is selected.
  void deleteSelected();
  // The user chose an entry: its profile is loaded (entry 0 loads nothing)
  // and shown.
  void chosen();
  // The profile name dialog's OK: stores the settings under the name (a
  // title other than the document's marked as chosen for the profile) and
  // refills the list with it selected. The result of SaveProfile.
  int save(const std::string& name);

 private:
  void applyDefault(bool keepSelection);
  std::string selectedProfile() const;
  void refresh();

  ProfileListView& list_;
  ProfileJob job_;
  LoadedSettings& settings_;
  std::function<void()> refresh_;
};

// The entry a name selects: the first whose text equals it (letter case
// ignored), else the first that begins with it; -1 when none.
int findProfileEntry(const ProfileListView& list, const std::string& name);

}  // namespace vellora
