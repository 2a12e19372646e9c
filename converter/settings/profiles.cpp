#include "converter/settings/profiles.h"

#include <cstring>

#include "common/text.h"
#include "converter/postscript/view_choices.h"
#include "converter/settings/presets.h"
#include "converter/settings/store_access.h"
#include "platform/registry.h"

namespace vellora {

namespace {

constexpr std::size_t kProfileTitleCapacity = 256;  // the job's title, at most 255 characters
// As far as the General page's title box holds a title.
constexpr std::size_t kTitleBoxCapacity = 255;
// The mark of a title chosen for its profile, in the record's first filler.
constexpr char kTitleChosenMark[2] = {'T', '\x01'};
constexpr std::int32_t kPdfLevelChoices = 3;        // PDF 1.2, 1.3, 1.4
constexpr std::int32_t kEncryptionChoices = 3;      // none, 40-bit, 128-bit

// A choice read from outside data: within 0..count-1, or the default.
void keepChoice(std::int32_t& value, std::size_t count, std::int32_t fallback) {
  if (value < 0 || static_cast<std::size_t>(value) >= count) value = fallback;
}

// Every field that selects from a list or goes into a fixed-width argument
// is brought back into range: a stored 77 must neither index past a table
// nor widen the eight permission digits handed to the PDF utility (which
// would garble the command and leave the document unprotected).
void keepStoredChoicesInRange(SettingsRecord& record) {
  keepChoice(record.PDFLevel, kPdfLevelChoices, 1);
  keepChoice(record.EncryptionLevel, kEncryptionChoices, 0);
  for (std::int32_t* permission :
       {&record.EAllowPrinting, &record.EAllowModifyContent, &record.EAllowModifyAnnotations,
        &record.EAllowCopyPaste, &record.EAllowFillIn, &record.EAllowScreenReading,
        &record.EAllowAssembly, &record.EAllowDegradedPrinting})
    *permission = *permission != 0 ? 1 : 0;  // as stored permissions count everywhere
  keepChoice(record.autooptsetting, kScanNameLimit, 0);
  keepChoice(record.ViewZoom, kViewZoomChoiceCount, 0);
  keepChoice(record.ViewLayout, kViewLayoutChoiceCount, 0);
  keepChoice(record.ViewMenus, kViewMenusChoiceCount, 0);
  keepChoice(record.AutoRotate, kAutoRotateChoiceCount, 0);
}

enum class Origin { kMachine, kUser };

bool openProfileForReading(const PrinterKeys& keys, const std::string& name, platform::RegKey* key,
                           Origin* origin) {
  using platform::kRegOk;
  using platform::kRegRead;
  if (name == kLastSettingProfile) {
    *origin = Origin::kUser;
    return key->open(kUserRoot, kUserKey, kRegRead) == kRegOk;
  }
  *origin = Origin::kMachine;
  if (key->open(kMachineRoot, keys.profilesKey, kRegRead) == kRegOk) return true;
  *origin = Origin::kUser;
  return key->open(kUserRoot, keys.profilesKey, kRegRead) == kRegOk;
}

}  // namespace

bool profileTitleChosen(const SettingsRecord& record) {
  return std::memcmp(record.filler1, kTitleChosenMark, sizeof kTitleChosenMark) == 0;
}

void setProfileTitleChosen(SettingsRecord& record, bool chosen) {
  if (chosen)
    std::memcpy(record.filler1, kTitleChosenMark, sizeof kTitleChosenMark);
  else
    std::memset(record.filler1, 0, sizeof record.filler1);
}

SettingsRecord profileAsSaved(const SettingsRecord& record, const std::string& documentTitle) {
  SettingsRecord saved = record;
  const std::string title = cut(fieldText(record.PDFTitle), kTitleBoxCapacity);
  setProfileTitleChosen(saved, !title.empty() && title != cut(documentTitle, kTitleBoxCapacity));
  return saved;
}

int SaveProfile(const PrinterKeys& keys, const std::string& name, const SettingsRecord& record) {
  platform::RegKey key;
  if (name == kLastSettingProfile) {
    if (key.open(kUserRoot, kUserKey, platform::kRegWrite) != platform::kRegOk) return 0;
  } else if (!openForWriting(kUserRoot, keys.profilesKey, &key)) {
    return 0;
  }
  return key.setBinary(name, settingsImage(record)) == platform::kRegOk ? 1 : 0;
}

int LoadProfile(const ProfileJob& job, const std::string& name, LoadedSettings* settings) {
  platform::RegKey key;
  Origin origin = Origin::kUser;
  if (!openProfileForReading(job.keys, name, &key, &origin)) return 0;
  platform::RegType type = platform::kRegNone;
  std::string image;
  if (key.query(name, &type, &image) != platform::kRegOk || image.size() != kSettingsRecordSize)
    return 0;

  SettingsRecord& record = settings->record;
  // The passwords come back plain and every text ends within its field.
  settingsFromImage(image, &record);
  keepStoredChoicesInRange(record);
  // Every document had a title of its own when it was saved; only one the
  // user typed for the profile itself belongs to the next document.
  const bool ownTitle = name != kLastSettingProfile && profileTitleChosen(record) &&
                        !fieldText(record.PDFTitle).empty();
  if (!ownTitle) {
    setFieldText(record.PDFTitle, cut(job.title, kProfileTitleCapacity));
    setProfileTitleChosen(record, false);
  }
  if (origin == Origin::kUser) ReapplyLocks(settings);
  settings->profileName = name;
  if (fieldText(record.StationeryPath).size() < 3)
    setFieldText(record.StationeryPath, defaultStationeryPath(job.installDir));
  return 1;
}

void ReapplyLocks(LoadedSettings* settings) {
  const auto& fields = settingFields();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (settings->locks.level[i] <= 0) continue;
    const SettingField& field = fields[i];
    // The snapshot holds the paths expanded, and a folder may well have a
    // "%" in its name: expanding them again would lose it.
    if (field.kind == SettingKind::kNumber)
      setNumberAt(settings->record, field, numberAt(settings->snapshot, field));
    else
      setTextAt(settings->record, field, textAt(settings->snapshot, field));
  }
  settings->locks.set("HideProfiles", 2);
  settings->controlLocks.set("HideProfiles", 2);
}

std::string defaultProfileName() {
  std::string name = readStoreText(StoreKey::kMachine, kDefaultProfileValue);
  if (name.empty()) name = readStoreText(StoreKey::kUser, kDefaultProfileValue);
  return name;
}

void setUserDefaultProfile(const std::string& name) {
  writeStoreText(StoreKey::kUser, kDefaultProfileValue, name);
}

void deleteUserDefaultProfile() { deleteStoreValue(StoreKey::kUser, kDefaultProfileValue); }

void forgetVanishedUserDefaultProfile(const PrinterKeys& keys) {
  const std::string name = readStoreText(StoreKey::kUser, kDefaultProfileValue);
  if (name.empty()) return;
  platform::RegKey key;
  if (key.open(kUserRoot, keys.profilesKey, platform::kRegRead) == platform::kRegOk) {
    std::string profile;
    platform::RegType type = platform::kRegNone;
    std::string data;
    for (std::uint32_t index = 0; key.enumValue(index, &profile, &type, &data) == platform::kRegOk;
         ++index)
      if (startsWithIgnoreCase(profile, name)) return;
  }
  deleteUserDefaultProfile();
}

ProfileNames listProfiles(const PrinterKeys& keys) {
  ProfileNames list;
  platform::RegKey key;
  if (key.open(kMachineRoot, keys.profilesKey, platform::kRegRead) == platform::kRegOk) {
    list.machineMode = true;
  } else if (key.open(kUserRoot, keys.profilesKey, platform::kRegRead) != platform::kRegOk) {
    return list;
  }
  list.keyOpened = true;
  std::string name;
  platform::RegType type = platform::kRegNone;
  std::string data;
  for (std::uint32_t index = 0; key.enumValue(index, &name, &type, &data) == platform::kRegOk;
       ++index) {
    // A name the list could not show whole could not be loaded by its text.
    if (name.size() <= kListedProfileNameLimit) list.names.push_back(name);
  }
  return list;
}

void raiseProfileButtonLocks(LockTable* controlLocks) {
  for (const char* button : {"LockProfileSave", "LockProfileDelete", "LockProfileDefault"})
    if (controlLocks->of(button) < 1) controlLocks->set(button, 1);
}

bool deleteUserProfile(const PrinterKeys& keys, const std::string& name) {
  platform::RegKey key;
  if (key.open(kUserRoot, keys.profilesKey, platform::kRegWrite) != platform::kRegOk) return false;
  return key.deleteValue(name) == platform::kRegOk;
}

}  // namespace vellora
