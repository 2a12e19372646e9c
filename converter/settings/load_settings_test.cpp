#include "converter/settings/load_settings.h"

#include <cstring>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "converter/settings/scramble_password.h"
#include "testsupport/converter/settings_test_values.h"
#include "platform/files.h"
#include "testsupport/fresh_machine.h"

namespace vellora {
namespace {

using platform::HKCU;
using platform::HKLM;
using testvalues::put;

class LoadSettingsTest : public testsupport::FreshMachineTest {
 protected:
  LoadedSettings load(const std::string& printer = "Vellora") {
    LoadedSettings settings;
    LoadSettings(SelectPrinterKeys(printer), installDir, &settings);
    return settings;
  }
  std::string installDir = "/opt/vellora";
  std::string sep = platform::kPathSeparator;
};

TEST(SettingsLoadOrder, ReadsEveryRegistryValueOnce) {
  std::set<std::string> seen;
  for (const char* name : settingsLoadOrder()) {
    int index = settingIndex(name);
    ASSERT_GE(index, 0) << name;
    EXPECT_STREQ(settingFields()[index].name, name);
    EXPECT_TRUE(seen.insert(name).second) << name << " twice";
  }
  for (const SettingField& field : settingFields())
    EXPECT_EQ(seen.count(field.name) == 1, field.hasRegistryValue) << field.name;
}

TEST_F(LoadSettingsTest, DefaultsOnAFreshMachine) {
  LoadedSettings settings = load();
  EXPECT_EQ(settings.record.PDFLevel, 1);
  EXPECT_EQ(settings.record.AutoView, 0);
  EXPECT_EQ(fieldText(settings.record.StationeryPath), installDir + sep + "Stationery");
  for (int level : settings.locks.level) EXPECT_EQ(level, 0);
  // The chain made the user's key and the printer's machine key on the way.
  EXPECT_TRUE(testvalues::keyExists(HKCU, kUserKey));
  EXPECT_TRUE(testvalues::keyExists(HKLM, kDefaultSettingsKey));
}

TEST_F(LoadSettingsTest, AnOutOfRangePdfLevelGetsTheDefault) {
  // A level past 1.4 would reach the interpreter as "-dCompatibilityLevel=1.79".
  for (std::uint32_t stored : {77u, 0xffffffffu, 3u}) {
    put(HKCU, kUserKey, "PDFLevel", stored);
    EXPECT_EQ(load().record.PDFLevel, 1) << stored;
  }
  put(HKCU, kUserKey, "PDFLevel", 2u);
  EXPECT_EQ(load().record.PDFLevel, 2);
}

TEST_F(LoadSettingsTest, ValuesLocksAndTheSnapshot) {
  put(HKCU, kPolicyKey, "lk_PDFLevel", 1u);
  put(HKCU, kPolicyKey, "PDFLevel", 2u);
  put(HKLM, kPolicyKey, "lk_PDFTitle", 2u);
  put(HKLM, kPolicyKey, "PDFTitle", "Fixed title");
  put(HKCU, kUserKey, "LockProfileSave", 2u);
  put(HKCU, kUserKey, "PDFSubject", std::string(300, 's'));
  put(HKCU, kUserKey, "EUserPassword", ScramblePassword("open"));
  put(HKCU, kUserKey, "DefaultPath", "%TEMP%" + sep + "out");

  LoadedSettings settings;
  std::memset(&settings.record, 0x77, sizeof settings.record);  // leftovers of an earlier use
  LoadSettings(SelectPrinterKeys("Vellora"), installDir, &settings);
  const SettingsRecord& r = settings.record;
  EXPECT_EQ(r.PDFLevel, 2);
  EXPECT_EQ(settings.locks.of("PDFLevel"), 1);
  EXPECT_EQ(fieldText(r.PDFTitle), "Fixed title");
  EXPECT_EQ(settings.controlLocks.of("PDFTitle"), 2);
  EXPECT_EQ(r.LockProfileSave, 2);
  EXPECT_EQ(settings.locks.of("LockProfileSave"), 2);
  EXPECT_EQ(fieldText(r.PDFSubject), std::string(254, 's'));
  EXPECT_EQ(fieldText(r.EUserPassword), "open");
  EXPECT_EQ(fieldText(r.DefaultPath), machine.tmp() + sep + "out");
  // Fields without a registry value are cleared; fillers are left alone.
  EXPECT_EQ(fieldText(r.PDFQuality), "");
  EXPECT_EQ(fieldText(r.interpreterText), "");
  EXPECT_EQ(r.profileNamePrefixOn, 0);
  EXPECT_EQ(r.filler1[0], 0x77);
  EXPECT_EQ(std::memcmp(&settings.snapshot, &r, sizeof r), 0);
}

TEST_F(LoadSettingsTest, AutoViewFollowsAutoLaunchUnlessLocked) {
  put(HKCU, kUserKey, "AutoView", 0u);
  put(HKCU, kUserKey, "AutoLaunch", 1u);
  EXPECT_EQ(load().record.AutoView, 1);
  put(HKCU, kUserKey, "AutoLaunch", 0u);
  EXPECT_EQ(load().record.AutoView, 0);
  put(HKCU, kUserKey, "AutoLaunch", 1u);
  put(HKLM, kPolicyKey, "lk_AutoView", 1u);
  EXPECT_EQ(load().record.AutoView, 0);
}

TEST_F(LoadSettingsTest, StationeryPath) {
  put(HKCU, kUserKey, "StationeryPath", "ab");
  EXPECT_EQ(fieldText(load().record.StationeryPath), installDir + sep + "Stationery");
  put(HKCU, kUserKey, "StationeryPath", "%TEMP%" + sep + "letterheads");
  EXPECT_EQ(fieldText(load().record.StationeryPath), machine.tmp() + sep + "letterheads");
}

}  // namespace
}  // namespace vellora
