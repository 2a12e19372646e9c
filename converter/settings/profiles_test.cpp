#include "converter/settings/profiles.h"

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "converter/backends/utility_commands.h"
#include "converter/postscript/prologue.h"
#include "converter/postscript/view_choices.h"
#include "converter/settings/scramble_password.h"
#include "testsupport/converter/settings_test_values.h"
#include "converter/settings/store_access.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "testsupport/fresh_machine.h"

namespace vellora {
namespace {

using platform::HKCU;
using platform::HKLM;
using testvalues::put;
using testvalues::putRaw;

class ProfilesTest : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override { job = profileJob("Vellora"); }

  ProfileJob profileJob(const std::string& printer) {
    ProfileJob j;
    j.keys = SelectPrinterKeys(printer);
    j.installDir = installDir;
    j.title = "Quarterly report";
    return j;
  }
  LoadedSettings loaded(const std::string& printer = "Vellora") {
    LoadedSettings settings;
    LoadSettings(SelectPrinterKeys(printer), installDir, &settings);
    return settings;
  }
  std::string storedImage(platform::RegRoot root, const std::string& key, const std::string& name) {
    platform::RegKey k;
    if (k.open(root, key, platform::kRegRead) != platform::kRegOk) return std::string();
    platform::RegType type = platform::kRegNone;
    std::string data;
    if (k.query(name, &type, &data) != platform::kRegOk) return std::string();
    EXPECT_EQ(type, platform::kRegBinary);
    return data;
  }
  // A profile as a user would have saved it.
  SettingsRecord secureProfile() {
    LoadedSettings settings = loaded();
    SettingsRecord& r = settings.record;
    r.EncryptionLevel = 2;
    setFieldText(r.EUserPassword, "reader");
    setFieldText(r.EOwnerPassword, "owner secret");
    r.EAllowPrinting = 1;
    r.ViewZoom = 1;  // Fit Width
    setFieldText(r.PDFTitle, "Board minutes");
    setProfileTitleChosen(r, true);
    return r;
  }

  ProfileJob job;
  std::string installDir = "/opt/vellora";
  std::string sep = platform::kPathSeparator;
};

TEST_F(ProfilesTest, SavedProfileIsTheScrambledImageAndLoadsBack) {
  const SettingsRecord saved = secureProfile();
  ASSERT_EQ(SaveProfile(job.keys, "Secure", saved), 1);
  EXPECT_EQ(fieldText(saved.EUserPassword), "reader");  // memory keeps the plain form

  std::string image = storedImage(HKCU, kDefaultProfilesKey, "Secure");
  ASSERT_EQ(image.size(), kSettingsRecordSize);
  EXPECT_EQ(image.find("owner secret"), std::string::npos);
  EXPECT_EQ(image.substr(offsetof(SettingsRecord, EUserPassword), 6), ScramblePassword("reader"));

  LoadedSettings settings = loaded();
  ASSERT_EQ(LoadProfile(job, "Secure", &settings), 1);
  EXPECT_EQ(std::memcmp(&settings.record, &saved, sizeof saved), 0);
  EXPECT_EQ(settings.profileName, "Secure");
}

TEST_F(ProfilesTest, LastSettingLivesInTheUserKeyAndIsCaseSensitive) {
  const SettingsRecord saved = secureProfile();
  // Saving it never creates the user's key.
  {
    platform::RegKey user;
    if (user.open(HKCU, kUserKey, platform::kRegRead) == platform::kRegOk)
      platform::registry().DeleteTree(HKCU, kUserKey);
  }
  EXPECT_EQ(SaveProfile(job.keys, kLastSettingProfile, saved), 0);
  EXPECT_FALSE(testvalues::keyExists(HKCU, kUserKey));

  put(HKCU, kUserKey, "AutoLaunch", 0u);
  ASSERT_EQ(SaveProfile(job.keys, kLastSettingProfile, saved), 1);
  EXPECT_EQ(storedImage(HKCU, kUserKey, "LastSetting").size(), kSettingsRecordSize);
  EXPECT_TRUE(storedImage(HKCU, kDefaultProfilesKey, "LastSetting").empty());

  // Another spelling is an ordinary profile.
  ASSERT_EQ(SaveProfile(job.keys, "lastsetting", saved), 1);
  EXPECT_EQ(storedImage(HKCU, kDefaultProfilesKey, "lastsetting").size(), kSettingsRecordSize);

  LoadedSettings settings = loaded();
  ASSERT_EQ(LoadProfile(job, "LastSetting", &settings), 1);
  EXPECT_EQ(settings.record.EncryptionLevel, 2);
  EXPECT_EQ(fieldText(settings.record.EOwnerPassword), "owner secret");

  // The remembered settings never bring a title back, chosen or not.
  EXPECT_EQ(fieldText(settings.record.PDFTitle), job.title);
  EXPECT_FALSE(profileTitleChosen(settings.record));
}

TEST_F(ProfilesTest, OnlyATitleChosenForAProfileIsItsOwn) {
  // Saved as the dialog started: the document's title, not marked.
  SettingsRecord record = secureProfile();
  setFieldText(record.PDFTitle, "Draft notes");
  EXPECT_FALSE(profileTitleChosen(profileAsSaved(record, "Draft notes")));
  // The title box holds 254 characters: a longer document title cut there
  // is still the document's own.
  const std::string longTitle(300, 'd');
  setFieldText(record.PDFTitle, longTitle.substr(0, 254));
  EXPECT_FALSE(profileTitleChosen(profileAsSaved(record, longTitle)));
  setFieldText(record.PDFTitle, "");
  EXPECT_FALSE(profileTitleChosen(profileAsSaved(record, "Draft notes")));
  setFieldText(record.PDFTitle, "Board minutes");
  const SettingsRecord typed = profileAsSaved(record, "Draft notes");
  EXPECT_TRUE(profileTitleChosen(typed));

  ASSERT_EQ(SaveProfile(job.keys, "Typed", typed), 1);
  setProfileTitleChosen(record, false);  // as every profile stored before the mark
  ASSERT_EQ(SaveProfile(job.keys, "Unmarked", record), 1);
  LoadedSettings settings = loaded();
  ASSERT_EQ(LoadProfile(job, "Typed", &settings), 1);
  EXPECT_EQ(fieldText(settings.record.PDFTitle), "Board minutes");
  ASSERT_EQ(LoadProfile(job, "Unmarked", &settings), 1);
  EXPECT_EQ(fieldText(settings.record.PDFTitle), job.title);
  EXPECT_EQ(settings.record.EncryptionLevel, 2);  // the rest is the profile's
}

TEST_F(ProfilesTest, OnlyExactlyTheRecordsSizeIsAProfile) {
  std::string image = settingsImage(secureProfile());
  putRaw(HKCU, kDefaultProfilesKey, "Short", platform::kRegBinary, image.substr(1));
  putRaw(HKCU, kDefaultProfilesKey, "Long", platform::kRegBinary, image + '\0');
  LoadedSettings settings = loaded();
  setFieldText(settings.record.PDFTitle, "");
  const SettingsRecord before = settings.record;
  EXPECT_EQ(LoadProfile(job, "Short", &settings), 0);
  EXPECT_EQ(LoadProfile(job, "Long", &settings), 0);
  EXPECT_EQ(LoadProfile(job, "Missing", &settings), 0);
  EXPECT_EQ(std::memcmp(&settings.record, &before, sizeof before), 0);
  EXPECT_TRUE(settings.profileName.empty());
}

TEST_F(ProfilesTest, EmptyTitleAndShortStationeryFolderTakeTheJobs) {
  SettingsRecord saved = secureProfile();
  setFieldText(saved.PDFTitle, "");
  setFieldText(saved.StationeryPath, "C:");
  ASSERT_EQ(SaveProfile(job.keys, "Plain", saved), 1);
  job.title = std::string(300, 't');

  LoadedSettings settings = loaded();
  ASSERT_EQ(LoadProfile(job, "Plain", &settings), 1);
  EXPECT_EQ(fieldText(settings.record.PDFTitle), std::string(255, 't'));
  EXPECT_EQ(fieldText(settings.record.StationeryPath), installDir + sep + "Stationery");
}

TEST_F(ProfilesTest, LockedSettingsSurviveAUserProfileButNotAMachineProfile) {
  put(HKLM, kPolicyKey, "lk_PDFLevel", 1u);
  put(HKLM, kPolicyKey, "PDFLevel", 2u);
  put(HKLM, kPolicyKey, "lk_EAllowCopyPaste", 1u);
  put(HKLM, kPolicyKey, "EAllowCopyPaste", 1u);
  put(HKLM, kPolicyKey, "lk_DefaultPath", 1u);
  put(HKLM, kPolicyKey, "DefaultPath", "%TEMP%" + sep + "out");

  SettingsRecord profile = secureProfile();
  profile.PDFLevel = 0;
  profile.EAllowCopyPaste = 0;
  profile.EAllowAssembly = 1;
  setFieldText(profile.DefaultPath, "/elsewhere");
  ASSERT_EQ(SaveProfile(job.keys, "Mine", profile), 1);

  LoadedSettings settings = loaded();
  EXPECT_EQ(settings.locks.of("HideProfiles"), 0);
  ASSERT_EQ(LoadProfile(job, "Mine", &settings), 1);
  EXPECT_EQ(settings.record.PDFLevel, 2);
  EXPECT_EQ(settings.record.EAllowCopyPaste, 1);
  EXPECT_EQ(settings.record.EAllowAssembly, 1);  // not locked: the profile's
  EXPECT_EQ(settings.record.EncryptionLevel, 2);
  EXPECT_EQ(fieldText(settings.record.DefaultPath), machine.tmp() + sep + "out");
  EXPECT_EQ(settings.locks.of("HideProfiles"), 2);
  EXPECT_EQ(settings.controlLocks.of("HideProfiles"), 2);

  // The administrator's own profiles are not bent by the locks.
  putRaw(HKLM, kDefaultProfilesKey, "Published", platform::kRegBinary, settingsImage(profile));
  settings = loaded();
  ASSERT_EQ(LoadProfile(job, "Published", &settings), 1);
  EXPECT_EQ(settings.record.PDFLevel, 0);
  EXPECT_EQ(settings.record.EAllowCopyPaste, 0);
  EXPECT_EQ(settings.locks.of("HideProfiles"), 0);
  // While machine profiles are published, user profiles are not offered.
  EXPECT_EQ(LoadProfile(job, "Mine", &settings), 0);
}

TEST_F(ProfilesTest, LockedFoldersComeBackAsLoadedWithAPercentInTheirNames) {
  const std::string folders = machine.path("50% off");
  machine.setEnv("VELLORA_TEST_FOLDERS", folders);
  put(HKLM, kPolicyKey, "lk_DefaultPath", 1u);
  put(HKLM, kPolicyKey, "DefaultPath", "%VELLORA_TEST_FOLDERS%" + sep + "out");
  put(HKLM, kPolicyKey, "lk_StationeryPath", 1u);
  put(HKLM, kPolicyKey, "StationeryPath", "%VELLORA_TEST_FOLDERS%" + sep + "paper");
  ASSERT_EQ(SaveProfile(job.keys, "Mine", secureProfile()), 1);

  LoadedSettings settings = loaded();
  ASSERT_EQ(fieldText(settings.record.DefaultPath), folders + sep + "out");
  ASSERT_EQ(LoadProfile(job, "Mine", &settings), 1);
  EXPECT_EQ(fieldText(settings.record.DefaultPath), folders + sep + "out");
  EXPECT_EQ(fieldText(settings.record.StationeryPath), folders + sep + "paper");
}

TEST_F(ProfilesTest, OnlyAUserDefaultNamingNoneOfTheUsersProfilesIsForgotten) {
  ASSERT_EQ(SaveProfile(job.keys, "Mine", secureProfile()), 1);
  setUserDefaultProfile("mine");
  forgetVanishedUserDefaultProfile(job.keys);
  EXPECT_EQ(readStoreText(StoreKey::kUser, "DefaultProfile"), "mine");
  // Published machine profiles do not make the user's go away.
  platform::RegKey machineKey;
  ASSERT_EQ(machineKey.create(HKLM, kDefaultProfilesKey), platform::kRegOk);
  forgetVanishedUserDefaultProfile(job.keys);
  EXPECT_EQ(readStoreText(StoreKey::kUser, "DefaultProfile"), "mine");
  // Another printer's profiles are not this one's.
  forgetVanishedUserDefaultProfile(profileJob("Vellora Office").keys);
  EXPECT_EQ(readStoreText(StoreKey::kUser, "DefaultProfile"), "");
}

TEST_F(ProfilesTest, MachineModeListsOnlyMachineProfilesAndLocksTheButtons) {
  // Written in name order: Windows lists them as written, Wine by name.
  ASSERT_EQ(SaveProfile(job.keys, "Also mine", secureProfile()), 1);
  ASSERT_EQ(SaveProfile(job.keys, "Mine", secureProfile()), 1);
  ProfileNames user = listProfiles(job.keys);
  EXPECT_FALSE(user.machineMode);
  EXPECT_TRUE(user.keyOpened);
  EXPECT_EQ(user.names, (std::vector<std::string>{"Also mine", "Mine"}));

  platform::RegKey machineKey;
  ASSERT_EQ(machineKey.create(HKLM, kDefaultProfilesKey), platform::kRegOk);
  ProfileNames machineList = listProfiles(job.keys);
  EXPECT_TRUE(machineList.machineMode);
  EXPECT_TRUE(machineList.names.empty());

  LockTable locks;
  locks.set("LockProfileDelete", 2);
  raiseProfileButtonLocks(&locks);
  EXPECT_EQ(locks.of("LockProfileSave"), 1);
  EXPECT_EQ(locks.of("LockProfileDelete"), 2);
  EXPECT_EQ(locks.of("LockProfileDefault"), 1);
  EXPECT_EQ(locks.of("LockProfileSelect"), 0);

  // Names too long to show are left out; the rest keep the store's order.
  putRaw(HKLM, kDefaultProfilesKey, std::string(300, 'n'), platform::kRegBinary, "x");
  putRaw(HKLM, kDefaultProfilesKey, std::string(299, 'n'), platform::kRegBinary, "x");
  EXPECT_EQ(listProfiles(job.keys).names, (std::vector<std::string>{std::string(299, 'n')}));
}

TEST_F(ProfilesTest, AnAliasPrinterHasProfilesOfItsOwn) {
  ProfileJob office = profileJob("Vellora Office");
  ASSERT_EQ(SaveProfile(office.keys, "Office only", secureProfile()), 1);
  EXPECT_TRUE(listProfiles(job.keys).names.empty());
  EXPECT_EQ(listProfiles(office.keys).names, (std::vector<std::string>{"Office only"}));
  LoadedSettings settings = loaded();
  EXPECT_EQ(LoadProfile(job, "Office only", &settings), 0);
  settings = loaded("Vellora Office");
  EXPECT_EQ(LoadProfile(office, "Office only", &settings), 1);

  EXPECT_FALSE(deleteUserProfile(job.keys, "Office only"));
  EXPECT_TRUE(deleteUserProfile(office.keys, "Office only"));
  EXPECT_TRUE(listProfiles(office.keys).names.empty());
}

TEST_F(ProfilesTest, TheMachinesDefaultProfileComesFirst) {
  EXPECT_EQ(defaultProfileName(), "");
  setUserDefaultProfile("Mine");
  EXPECT_EQ(defaultProfileName(), "Mine");
  put(HKLM, kMachineKey, "DefaultProfile", "Company");
  EXPECT_EQ(defaultProfileName(), "Company");
  put(HKLM, kMachineKey, "DefaultProfile", "");
  EXPECT_EQ(defaultProfileName(), "Mine");
  deleteUserDefaultProfile();
  EXPECT_EQ(defaultProfileName(), "");
}

// Checks what every consumer of a loaded record relies on.
void expectSafeRecord(const SettingsRecord& r, const std::string& context) {
  for (const SettingField& field : settingFields()) {
    if (field.kind != SettingKind::kText) continue;
    const char* start = reinterpret_cast<const char*>(&r) + field.offset;
    ASSERT_EQ(start[field.width - 1], '\0') << field.name << " " << context;
  }
  EXPECT_GE(r.PDFLevel, 0) << context;
  EXPECT_LE(r.PDFLevel, 2) << context;
  EXPECT_GE(r.EncryptionLevel, 0) << context;
  EXPECT_LE(r.EncryptionLevel, 2) << context;
  for (std::int32_t permission : {r.EAllowPrinting, r.EAllowModifyContent, r.EAllowModifyAnnotations,
                                  r.EAllowCopyPaste, r.EAllowFillIn, r.EAllowScreenReading,
                                  r.EAllowAssembly, r.EAllowDegradedPrinting})
    EXPECT_TRUE(permission == 0 || permission == 1) << context;
  EXPECT_LT(static_cast<std::uint32_t>(r.ViewZoom), kViewZoomChoiceCount) << context;
  EXPECT_LT(static_cast<std::uint32_t>(r.ViewLayout), kViewLayoutChoiceCount) << context;
  EXPECT_LT(static_cast<std::uint32_t>(r.ViewMenus), kViewMenusChoiceCount) << context;
  EXPECT_LT(static_cast<std::uint32_t>(r.AutoRotate), kAutoRotateChoiceCount) << context;
  EXPECT_LT(static_cast<std::uint32_t>(r.autooptsetting), 20u) << context;
}

TEST_F(ProfilesTest, AStoredProfileIsOutsideData) {
  std::string image = settingsImage(secureProfile());
  auto putInt = [&](std::size_t offset, std::int32_t value) {
    std::memcpy(&image[offset], &value, 4);
  };
  putInt(offsetof(SettingsRecord, PDFLevel), 77);
  putInt(offsetof(SettingsRecord, ViewZoom), 99);
  putInt(offsetof(SettingsRecord, EncryptionLevel), -1);
  putInt(offsetof(SettingsRecord, EAllowPrinting), 77);
  putInt(offsetof(SettingsRecord, ViewLayout), 1);
  std::memset(&image[offsetof(SettingsRecord, PDFKeywords)], 'k', 500);
  std::memset(&image[offsetof(SettingsRecord, EOwnerPassword)], 'p', 255);
  std::memset(&image[offsetof(SettingsRecord, InterpreterSetting)], 'i', 255);
  putRaw(HKCU, kDefaultProfilesKey, "Odd", platform::kRegBinary, image);

  LoadedSettings settings = loaded();
  ASSERT_EQ(LoadProfile(job, "Odd", &settings), 1);
  expectSafeRecord(settings.record, "Odd");
  EXPECT_EQ(settings.record.PDFLevel, 1);
  EXPECT_EQ(settings.record.ViewZoom, 0);
  EXPECT_EQ(settings.record.EncryptionLevel, 0);
  EXPECT_EQ(settings.record.EAllowPrinting, 1);  // any non-zero permission allows
  EXPECT_EQ(settings.record.ViewLayout, 1);  // in range: kept
  EXPECT_EQ(fieldText(settings.record.PDFKeywords), std::string(499, 'k'));
  EXPECT_EQ(fieldText(settings.record.EOwnerPassword).size(), 254u);

  // One past the end of a list is outside it too.
  image = settingsImage(secureProfile());
  putInt(offsetof(SettingsRecord, PDFLevel), 3);
  putInt(offsetof(SettingsRecord, EncryptionLevel), 3);
  putInt(offsetof(SettingsRecord, ViewZoom), static_cast<std::int32_t>(kViewZoomChoiceCount));
  putRaw(HKCU, kDefaultProfilesKey, "Edge", platform::kRegBinary, image);
  ASSERT_EQ(LoadProfile(job, "Edge", &settings), 1);
  EXPECT_EQ(settings.record.PDFLevel, 1);
  EXPECT_EQ(settings.record.EncryptionLevel, 0);
  EXPECT_EQ(settings.record.ViewZoom, 0);
}

// Random values in every place a profile can come from. Set
// VELLORA_PROFILE_FUZZ_ITERATIONS for a longer run.
TEST_F(ProfilesTest, RandomStoredValuesNeverLeaveAnUnsafeRecord) {
  int iterations = 1000;
  if (const char* requested = std::getenv("VELLORA_PROFILE_FUZZ_ITERATIONS"))
    iterations = std::atoi(requested);
  put(HKCU, kUserKey, "AutoLaunch", 0u);
  put(HKLM, kPolicyKey, "lk_StationeryPath", 1u);
  std::mt19937 random(20240611u);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> small(-3, 3);
  const LoadedSettings start = loaded();
  JobRecord jobRecord;
  jobRecord.title = job.title;
  for (int i = 0; i < iterations; ++i) {
    std::string image(kSettingsRecordSize, '\0');
    const int style = i % 3;
    for (char& c : image) {
      // Fully random bytes, bytes without any NUL, or small numbers that
      // reach the edges of every list.
      int value = style == 0 ? byte(random) : style == 1 ? 1 + byte(random) % 255 : small(random);
      c = static_cast<char>(value);
    }
    const bool lastSetting = i % 2 == 0;
    const std::string name = lastSetting ? std::string(kLastSettingProfile) : "Fuzzed";
    putRaw(HKCU, lastSetting ? kUserKey : kDefaultProfilesKey, name, platform::kRegBinary, image);
    LoadedSettings settings = start;
    ASSERT_EQ(LoadProfile(job, name, &settings), 1);
    expectSafeRecord(settings.record, "iteration " + std::to_string(i));
    EXPECT_GE(fieldText(settings.record.StationeryPath).size(), 3u);
    EXPECT_FALSE(fieldText(settings.record.PDFTitle).empty());
    // What the job makes of the record: the PostScript around the job and
    // the permission digits of the PDF utility's command.
    EXPECT_FALSE(prologueText(settings.record).empty());
    EXPECT_FALSE(epilogueText(jobRecord, settings.record).empty());
    EXPECT_EQ(permissionDigits(settings.record).size(), 8u);
    if (::testing::Test::HasFailure()) break;
  }
}

}  // namespace
}  // namespace vellora
