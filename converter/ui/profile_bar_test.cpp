#include "converter/ui/profile_bar.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testsupport/converter/settings_test_values.h"
#include "converter/settings/store_access.h"
#include "platform/registry.h"
#include "scripted_ui/scripted_ui.h"
#include "testsupport/fresh_machine.h"

namespace vellora {
namespace {

using platform::HKCU;
using platform::HKLM;
using testvalues::put;

class ProfileBarTest : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    platform::setUserInterface(&ui);
    job.keys = SelectPrinterKeys("Vellora");
    job.installDir = "/opt/vellora";
    job.title = "Minutes";
    reload();
    bar = std::make_unique<ProfileBar>(list, job, settings, [this] { ++refreshes; });
  }
  void TearDown() override { platform::setUserInterface(nullptr); }

  // LoadSettings as the job starts.
  void reload() {
    settings = LoadedSettings();
    LoadSettings(job.keys, job.installDir, &settings);
  }
  // A user profile whose author tells it apart.
  void userProfile(const std::string& name, const std::string& author) {
    SettingsRecord record = settings.record;
    setFieldText(record.PDFAuthor, author);
    ASSERT_EQ(SaveProfile(job.keys, name, record), 1);
  }
  std::string author() const { return fieldText(settings.record.PDFAuthor); }

  platform::ScriptedUi ui;
  ProfileJob job;
  LoadedSettings settings;
  ProfileListModel list;
  int refreshes = 0;
  std::unique_ptr<ProfileBar> bar;
};

// Profiles are written in name order in these tests: Windows lists them in
// the order written, Wine by name.
TEST_F(ProfileBarTest, StartLoadsTheDefaultProfileOrTheLastSettings) {
  userProfile("Home", "home author");
  userProfile("Work", "work author");
  bar->fill("");
  EXPECT_EQ(list.entries(), (std::vector<std::string>{"Select profile...", "Home", "Work"}));
  EXPECT_EQ(list.selection(), 0);
  EXPECT_EQ(author(), "");  // no default, no remembered settings
  EXPECT_EQ(refreshes, 0);

  setUserDefaultProfile("Home");
  bar->fill("");
  EXPECT_EQ(list.selection(), 1);
  EXPECT_EQ(author(), "home author");
  EXPECT_EQ(settings.profileName, "Home");
  EXPECT_EQ(refreshes, 1);

  // The machine's default comes before the user's.
  put(HKLM, kMachineKey, "DefaultProfile", "work");
  bar->fill("");
  EXPECT_EQ(list.selection(), 2);
  EXPECT_EQ(author(), "work author");
}

TEST_F(ProfileBarTest, AVanishedDefaultIsForgottenAndTheLastSettingsLoaded) {
  settings.record.RememberLast = 1;
  SettingsRecord last = settings.record;
  setFieldText(last.PDFAuthor, "last author");
  ASSERT_EQ(SaveProfile(job.keys, kLastSettingProfile, last), 1);
  userProfile("Work", "work author");
  setUserDefaultProfile("Gone");

  bar->fill("");
  EXPECT_EQ(list.selection(), 0);
  EXPECT_EQ(author(), "last author");
  EXPECT_EQ(settings.profileName, "LastSetting");
  EXPECT_TRUE(readStoreText(StoreKey::kUser, "DefaultProfile").empty());
}

TEST_F(ProfileBarTest, AnEmptyMachineProfilesKeyLocksTheButtons) {
  userProfile("Mine", "my author");
  platform::RegKey machineKey;
  ASSERT_EQ(machineKey.create(HKLM, kDefaultProfilesKey), platform::kRegOk);
  put(HKCU, kUserKey, "LockProfileDefault", 2u);
  setUserDefaultProfile("Mine");
  reload();

  bar->fill("");
  EXPECT_EQ(list.entries(), (std::vector<std::string>{"Select profile..."}));
  EXPECT_EQ(list.selection(), 0);
  EXPECT_EQ(author(), "");
  // Not offered while the machine's are published, but still the user's.
  EXPECT_EQ(readStoreText(StoreKey::kUser, "DefaultProfile"), "Mine");
  EXPECT_EQ(settings.controlLocks.of("LockProfileSave"), 1);
  EXPECT_EQ(settings.controlLocks.of("LockProfileDelete"), 1);
  EXPECT_EQ(settings.controlLocks.of("LockProfileDefault"), 2);
  EXPECT_EQ(settings.locks.of("LockProfileSave"), 0);  // the loaded locks stay as read
}

TEST_F(ProfileBarTest, DefaultButtonAsksAndRemembersTheChoice) {
  userProfile("Work", "work author");
  bar->fill("");
  bar->setDefault();  // entry 0: nothing to ask
  EXPECT_TRUE(ui.eventsOf("message").empty());

  list.select(1);
  ui.addScriptLine("message: no");
  bar->setDefault();
  EXPECT_TRUE(defaultProfileName().empty());
  ui.addScriptLine("message: yes");
  bar->setDefault();
  EXPECT_EQ(defaultProfileName(), "Work");

  ASSERT_EQ(ui.eventsOf("message").size(), 2u);
  const std::vector<std::string> asked = ui.eventsOf("message")[1];
  EXPECT_EQ(asked[0], "0x40024");  // Yes/No, question, topmost
  EXPECT_EQ(asked[1], "Vellora");
  EXPECT_EQ(asked[2], "Use \"Work\" as your default profile?");
}

TEST_F(ProfileBarTest, DelButtonAsksDeletesAndRefills) {
  userProfile("Home", "home author");
  userProfile("Work", "work author");
  setUserDefaultProfile("Work");
  bar->fill("");
  ASSERT_EQ(list.selection(), 2);

  ui.addScriptLine("message: no");
  bar->deleteSelected();
  EXPECT_EQ(list.count(), 3);

  ui.addScriptLine("message: yes");
  bar->deleteSelected();
  EXPECT_EQ(list.entries(), (std::vector<std::string>{"Select profile...", "Home"}));
  EXPECT_EQ(list.selection(), 0);
  EXPECT_EQ(listProfiles(job.keys).names, (std::vector<std::string>{"Home"}));
  // The deleted default is forgotten at the refill.
  EXPECT_TRUE(defaultProfileName().empty());

  const std::vector<std::string> asked = ui.eventsOf("message")[1];
  EXPECT_EQ(asked[0], "0x40034");  // Yes/No, warning, topmost
  EXPECT_EQ(asked[2], "Permanently Delete saved profile \"Work\" ?");

  list.select(0);
  bar->deleteSelected();
  EXPECT_EQ(ui.eventsOf("message").size(), 2u);
}

TEST_F(ProfileBarTest, ChoosingAnEntryLoadsItAndSavingSelectsTheSavedName) {
  userProfile("Report 2024", "old author");
  bar->fill("");
  list.select(1);
  bar->chosen();
  EXPECT_EQ(author(), "old author");
  EXPECT_EQ(refreshes, 1);

  setFieldText(settings.record.PDFAuthor, "changed");
  list.select(0);
  bar->chosen();  // "Select profile..." names no profile
  EXPECT_EQ(author(), "changed");
  EXPECT_EQ(refreshes, 2);

  // Saving "Report" selects it, not the older name it begins.
  ASSERT_EQ(bar->save("Report"), 1);
  EXPECT_EQ(list.entry(list.selection()), "Report");
  EXPECT_EQ(author(), "changed");
  // A title typed for the profile is marked as its own; the document's is not.
  EXPECT_FALSE(profileTitleChosen(settings.record));
  setFieldText(settings.record.PDFTitle, "Travel notes");
  ASSERT_EQ(bar->save("Trips"), 1);
  EXPECT_TRUE(profileTitleChosen(settings.record));
  EXPECT_EQ(fieldText(settings.record.PDFTitle), "Travel notes");
  ASSERT_EQ(bar->save("rep"), 1);
  EXPECT_EQ(list.entry(list.selection()), "rep");
  // A name given empty keeps the entry shown.
  bar->fill("");
  EXPECT_EQ(list.entry(list.selection()), "rep");
  bar->fill(std::nullopt);
  EXPECT_EQ(list.selection(), 0);
}

TEST_F(ProfileBarTest, SavingKeepsTheSavedProfileInUseOverTheDefault) {
  userProfile("Home", "home author");
  setUserDefaultProfile("Home");
  bar->fill("");
  ASSERT_EQ(author(), "home author");

  setFieldText(settings.record.PDFAuthor, "typed author");
  ASSERT_EQ(bar->save("Letters"), 1);
  EXPECT_EQ(list.entry(list.selection()), "Letters");
  EXPECT_EQ(author(), "typed author");
  EXPECT_EQ(defaultProfileName(), "Home");
  // At the next start the default applies again.
  bar->fill("");
  EXPECT_EQ(author(), "home author");
}

}  // namespace
}  // namespace vellora
