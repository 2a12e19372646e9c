#include "converter/settings/settings_record.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "converter/settings/scramble_password.h"
#include "converter/settings/settings_keys.h"

namespace vellora {
namespace {

TEST(SettingFields, CoverTheRecordInOrderApartFromTheFillers) {
  const auto& fields = settingFields();
  std::size_t at = 0;
  int withoutRegistryValue = 0;
  for (const SettingField& field : fields) {
    if (at == 1514 || at == 2030) at += 2;  // the two fillers
    EXPECT_EQ(field.offset, at) << field.name;
    at = field.offset + field.width;
    if (field.kind == SettingKind::kNumber) {
      EXPECT_EQ(field.width, 4u) << field.name;
    }
    if (!field.hasRegistryValue) ++withoutRegistryValue;
  }
  EXPECT_EQ(at, kSettingsRecordSize);
  EXPECT_EQ(withoutRegistryValue, 4);
  for (const char* name : {"interpreterText", "profileNamePrefixOn", "profileNamePrefix", "PDFQuality"})
    EXPECT_FALSE(fields[settingIndex(name)].hasRegistryValue) << name;
  EXPECT_EQ(settingIndex("pdflevel"), 0);
  EXPECT_EQ(std::string(fields[settingIndex("AUTOOPTSETTING")].name), "autooptsetting");
  EXPECT_EQ(settingIndex("lk_PDFLevel"), -1);
}

TEST(SettingFields, KeysAndLocksByName) {
  for (const char* name : {"Vellora", "VELLORA", "vellora"}) {
    PrinterKeys keys = SelectPrinterKeys(name);
    EXPECT_EQ(keys.settingsKey.str(), "Software\\Norvale\\Vellora\\Settings") << name;
    EXPECT_EQ(keys.profilesKey.str(), "Software\\Norvale\\Vellora\\Profiles") << name;
  }
  PrinterKeys office = SelectPrinterKeys("Vellora Office");
  EXPECT_EQ(office.settingsKey.str(), "Software\\Norvale\\Vellora\\Settings\\Vellora Office");
  EXPECT_EQ(office.profilesKey.str(), "Software\\Norvale\\Vellora\\Profiles\\Vellora Office");
  EXPECT_EQ(SelectPrinterKeys(std::string(400, 'p')).settingsKey.size(), 254u);

  LockTable locks;
  locks.set("pdflevel", 2);
  locks.set("NoSuchSetting", 1);
  EXPECT_EQ(locks.of("PDFLevel"), 2);
  EXPECT_EQ(locks.level[0], 2);
  EXPECT_EQ(locks.of("NoSuchSetting"), 0);
}

SettingsRecord sampleRecord() {
  SettingsRecord record;
  std::memset(&record, 0x5A, sizeof record);  // fillers and text tails hold bytes too
  for (const SettingField& field : settingFields()) {
    if (field.kind == SettingKind::kNumber)
      setNumberAt(record, field, static_cast<std::int32_t>(field.offset) - 3000);
    else
      setTextAt(record, field, std::string(field.name) + " text");
  }
  setFieldText(record.EUserPassword, "open sesame");
  setFieldText(record.EOwnerPassword, std::string(254, 'o'));
  return record;
}

TEST(SettingsImage, RoundTripsByteForByteWithScrambledPasswords) {
  SettingsRecord record = sampleRecord();
  record.filler1[0] = 'F';
  record.filler2[1] = 'G';
  const std::string image = settingsImage(record);
  ASSERT_EQ(image.size(), kSettingsRecordSize);

  // Only the password characters differ from memory.
  const char* plain = reinterpret_cast<const char*>(&record);
  const std::size_t user = offsetof(SettingsRecord, EUserPassword);
  const std::size_t owner = offsetof(SettingsRecord, EOwnerPassword);
  for (std::size_t i = 0; i < kSettingsRecordSize; ++i) {
    bool inPassword = (i >= user && i < user + 11) || (i >= owner && i < owner + 254);
    if (!inPassword) {
      ASSERT_EQ(image[i], plain[i]) << "byte " << i;
    }
  }
  EXPECT_EQ(image.substr(user, 11), ScramblePassword("open sesame"));
  EXPECT_EQ(image[user + 11], '\0');
  EXPECT_EQ(image.substr(owner, 254), ScramblePassword(std::string(254, 'o')));
  EXPECT_EQ(image[1514], 'F');
  EXPECT_EQ(image[2031], 'G');

  SettingsRecord back;
  std::memset(&back, 0, sizeof back);
  ASSERT_TRUE(settingsFromImage(image, &back));
  EXPECT_EQ(std::memcmp(&back, &record, sizeof record), 0);
  EXPECT_EQ(fieldText(back.EUserPassword), "open sesame");
}

TEST(SettingsImage, RefusesOtherSizesAndEndsEveryText) {
  const SettingsRecord record = sampleRecord();
  std::string image = settingsImage(record);
  SettingsRecord target{};
  target.PDFLevel = 42;
  EXPECT_FALSE(settingsFromImage(image.substr(0, kSettingsRecordSize - 1), &target));
  EXPECT_FALSE(settingsFromImage(image + "x", &target));
  EXPECT_EQ(target.PDFLevel, 42);

  // A stored image without terminators still gives texts that end in their field.
  std::memset(&image[offsetof(SettingsRecord, PDFTitle)], 'T', 500);
  ASSERT_TRUE(settingsFromImage(image, &target));
  EXPECT_EQ(fieldText(target.PDFTitle), std::string(499, 'T'));
  EXPECT_EQ(target.PDFTitle[499], '\0');
}

}  // namespace
}  // namespace vellora
