#include "converter/ui/profile_list.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "converter/settings/settings_test_values.h"
#include "converter/settings/store_access.h"
#include "platform/registry.h"
#include "platform/scripted_ui.h"
#include "testsupport/fresh_machine.h"

namespace vellora {
namespace {

using platform::HKCU;
using platform::HKLM;
using testvalues::put;

class ProfileListTest : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    platform::setUserInterface(&ui);
    bar.job.keys = SelectPrinterKeys("Vellora");
    bar.job.installDir = "/opt/vellora";
    bar.job.title = "Minutes";
    bar.refresh = [this] { ++refreshes; };
    reload();
  }
  void TearDown() override { platform::setUserInterface(nullptr); }

  // LoadSettings as the job starts.
  void reload() {
    settings = LoadedSettings();
    LoadSettings(bar.job.keys, bar.job.installDir, &settings);
    bar.settings = &settings;
  }
  // A user profile whose author tells it apart.
  void userProfile(const std::string& name, const std::string& author) {
    SettingsRecord record = settings.record;
    setFieldText(record.PDFAuthor, author);
    ASSERT_EQ(SaveProfile(bar.job.keys, name, record), 1);
  }
  std::string author() const { return fieldText(settings.record.PDFAuthor); }

  platform::ScriptedUi ui;
  LoadedSettings settings;
  ProfileBar bar;
  ProfileListModel list;
  int refreshes = 0;
};

TEST_F(ProfileListTest, StartLoadsTheDefaultProfileOrTheLastSettings) {
  userProfile("Work", "work author");
  userProfile("Home", "home author");
  FillProfileList(list, bar, "");
  EXPECT_EQ(list.entries(), (std::vector<std::string>{"Select profile...", "Work", "Home"}));
  EXPECT_EQ(list.selection(), 0);
  EXPECT_EQ(author(), "");  // no default, no remembered settings
  EXPECT_EQ(refreshes, 0);

  setUserDefaultProfile("Home");
  FillProfileList(list, bar, "");
  EXPECT_EQ(list.selection(), 2);
  EXPECT_EQ(author(), "home author");
  EXPECT_EQ(settings.profileName, "Home");
  EXPECT_EQ(refreshes, 1);

  // The machine's default comes before the user's.
  put(HKLM, kMachineKey, "DefaultProfile", "work");
  FillProfileList(list, bar, "");
  EXPECT_EQ(list.selection(), 1);
  EXPECT_EQ(author(), "work author");
}

TEST_F(ProfileListTest, AVanishedDefaultIsForgottenAndTheLastSettingsLoaded) {
  settings.record.RememberLast = 1;
  SettingsRecord last = settings.record;
  setFieldText(last.PDFAuthor, "last author");
  ASSERT_EQ(SaveProfile(bar.job.keys, kLastSettingProfile, last), 1);
  userProfile("Work", "work author");
  setUserDefaultProfile("Gone");

  FillProfileList(list, bar, "");
  EXPECT_EQ(list.selection(), 0);
  EXPECT_EQ(author(), "last author");
  EXPECT_EQ(settings.profileName, "LastSetting");
  EXPECT_TRUE(readStoreText(StoreKey::kUser, "DefaultProfile").empty());
}

TEST_F(ProfileListTest, AnEmptyMachineProfilesKeyLocksTheButtons) {
  userProfile("Mine", "my author");
  platform::RegKey machineKey;
  ASSERT_EQ(machineKey.create(HKLM, kDefaultProfilesKey), platform::kRegOk);
  put(HKCU, kUserKey, "LockProfileDefault", 2u);
  reload();

  FillProfileList(list, bar, "");
  EXPECT_EQ(list.entries(), (std::vector<std::string>{"Select profile..."}));
  EXPECT_EQ(list.selection(), 0);
  EXPECT_EQ(settings.controlLocks.of("LockProfileSave"), 1);
  EXPECT_EQ(settings.controlLocks.of("LockProfileDelete"), 1);
  EXPECT_EQ(settings.controlLocks.of("LockProfileDefault"), 2);
  EXPECT_EQ(settings.locks.of("LockProfileSave"), 0);  // the loaded locks stay as read
}

TEST_F(ProfileListTest, DefaultButtonAsksAndRemembersTheChoice) {
  userProfile("Work", "work author");
  FillProfileList(list, bar, "");
  SetDefaultProfileFromList(list, bar);  // entry 0: nothing to ask
  EXPECT_TRUE(ui.eventsOf("message").empty());

  list.select(1);
  ui.addScriptLine("message: no");
  SetDefaultProfileFromList(list, bar);
  EXPECT_TRUE(defaultProfileName().empty());
  ui.addScriptLine("message: yes");
  SetDefaultProfileFromList(list, bar);
  EXPECT_EQ(defaultProfileName(), "Work");

  ASSERT_EQ(ui.eventsOf("message").size(), 2u);
  const std::vector<std::string> asked = ui.eventsOf("message")[1];
  EXPECT_EQ(asked[0], "0x40024");  // Yes/No, question, topmost
  EXPECT_EQ(asked[1], "Vellora");
  EXPECT_EQ(asked[2], "Use \"Work\" as your default profile?");
}

TEST_F(ProfileListTest, DelButtonAsksDeletesAndRefills) {
  userProfile("Work", "work author");
  userProfile("Home", "home author");
  setUserDefaultProfile("Work");
  FillProfileList(list, bar, "");
  ASSERT_EQ(list.selection(), 1);

  ui.addScriptLine("message: no");
  DeleteProfileFromList(list, bar);
  EXPECT_EQ(list.count(), 3);

  ui.addScriptLine("message: yes");
  DeleteProfileFromList(list, bar);
  EXPECT_EQ(list.entries(), (std::vector<std::string>{"Select profile...", "Home"}));
  EXPECT_EQ(list.selection(), 0);
  EXPECT_EQ(listProfiles(bar.job.keys).names, (std::vector<std::string>{"Home"}));
  // The deleted default is forgotten at the refill.
  EXPECT_TRUE(defaultProfileName().empty());

  const std::vector<std::string> asked = ui.eventsOf("message")[1];
  EXPECT_EQ(asked[0], "0x40034");  // Yes/No, warning, topmost
  EXPECT_EQ(asked[2], "Permanently Delete saved profile \"Work\" ?");

  list.select(0);
  DeleteProfileFromList(list, bar);
  EXPECT_EQ(ui.eventsOf("message").size(), 2u);
}

TEST_F(ProfileListTest, ChoosingAnEntryLoadsItAndSavingSelectsTheSavedName) {
  userProfile("Report 2024", "old author");
  FillProfileList(list, bar, "");
  list.select(1);
  ProfileChosenInList(list, bar);
  EXPECT_EQ(author(), "old author");
  EXPECT_EQ(refreshes, 1);

  setFieldText(settings.record.PDFAuthor, "changed");
  list.select(0);
  ProfileChosenInList(list, bar);  // "Select profile..." names no profile
  EXPECT_EQ(author(), "changed");
  EXPECT_EQ(refreshes, 2);

  // Saving "Report" selects it, not the older name it begins.
  ASSERT_EQ(SaveProfileFromList(list, bar, "Report"), 1);
  EXPECT_EQ(list.entry(list.selection()), "Report");
  EXPECT_EQ(author(), "changed");
  ASSERT_EQ(SaveProfileFromList(list, bar, "rep"), 1);
  EXPECT_EQ(list.entry(list.selection()), "rep");
  // A name given empty keeps the entry shown.
  FillProfileList(list, bar, "");
  EXPECT_EQ(list.entry(list.selection()), "rep");
  FillProfileList(list, bar, std::nullopt);
  EXPECT_EQ(list.selection(), 0);
}

}  // namespace
}  // namespace vellora
