#include "converter/settings/settings_record.h"

#include <cstring>

#include "common/text.h"
#include "converter/settings/scramble_password.h"

namespace vellora {

namespace {

#define VELLORA_NUMBER(field) \
  SettingField{#field, SettingKind::kNumber, offsetof(SettingsRecord, field), 4, true}
#define VELLORA_TEXT(field) \
  SettingField{#field, SettingKind::kText, offsetof(SettingsRecord, field), sizeof(SettingsRecord::field), true}
#define VELLORA_INTERNAL_NUMBER(field) \
  SettingField{#field, SettingKind::kNumber, offsetof(SettingsRecord, field), 4, false}
#define VELLORA_INTERNAL_TEXT(field) \
  SettingField{#field, SettingKind::kText, offsetof(SettingsRecord, field), sizeof(SettingsRecord::field), false}

const std::array<SettingField, kSettingCount> kFields = {{
    VELLORA_NUMBER(PDFLevel),
    VELLORA_TEXT(PDFTitle),
    VELLORA_TEXT(PDFSubject),
    VELLORA_TEXT(PDFAuthor),
    VELLORA_TEXT(PDFKeywords),
    VELLORA_NUMBER(EncryptionLevel),
    VELLORA_TEXT(EUserPassword),
    VELLORA_TEXT(EOwnerPassword),
    VELLORA_NUMBER(EAllowPrinting),
    VELLORA_NUMBER(EAllowModifyContent),
    VELLORA_NUMBER(EAllowModifyAnnotations),
    VELLORA_NUMBER(EAllowCopyPaste),
    VELLORA_NUMBER(EAllowFillIn),
    VELLORA_NUMBER(EAllowScreenReading),
    VELLORA_NUMBER(EAllowAssembly),
    VELLORA_NUMBER(EAllowDegradedPrinting),
    VELLORA_INTERNAL_TEXT(interpreterText),
    VELLORA_NUMBER(AutoView),
    VELLORA_NUMBER(AutoEmail),
    VELLORA_NUMBER(DispAdvanced),
    VELLORA_NUMBER(autooptsetting),
    VELLORA_NUMBER(RememberLast),
    VELLORA_NUMBER(AutoName),
    VELLORA_NUMBER(FileToClipboard),
    VELLORA_NUMBER(HideProfiles),
    VELLORA_NUMBER(LockProfiles),
    VELLORA_NUMBER(LockProfileSave),
    VELLORA_NUMBER(LockProfileDelete),
    VELLORA_NUMBER(LockProfileDefault),
    VELLORA_NUMBER(LockProfileSelect),
    VELLORA_NUMBER(ProfileLocation),
    VELLORA_NUMBER(StationeryDisable),
    VELLORA_NUMBER(StationeryWatermark),
    VELLORA_NUMBER(EnableStamp),
    VELLORA_NUMBER(StampSize),
    VELLORA_NUMBER(StampRotate),
    VELLORA_NUMBER(StampX),
    VELLORA_NUMBER(StampY),
    VELLORA_NUMBER(StampFontSize),
    VELLORA_NUMBER(StampFontColor),
    VELLORA_NUMBER(ApplySignature),
    VELLORA_NUMBER(UseSmartPass),
    VELLORA_NUMBER(SecurityPrompt),
    VELLORA_NUMBER(UseAppProfiles),
    VELLORA_NUMBER(AutoRotate),
    VELLORA_NUMBER(ViewFullScreen),
    VELLORA_NUMBER(ViewPDFTitle),
    VELLORA_NUMBER(ViewToolBar),
    VELLORA_NUMBER(ViewMenuBar),
    VELLORA_NUMBER(ViewMaximize),
    VELLORA_NUMBER(ViewCenter),
    VELLORA_NUMBER(ViewZoom),
    VELLORA_NUMBER(ViewLayout),
    VELLORA_NUMBER(ViewMenus),
    VELLORA_NUMBER(SigType),
    VELLORA_NUMBER(DisablePasswordWarnings),
    VELLORA_NUMBER(DisableSecurityTab),
    VELLORA_NUMBER(DisableDisplayTab),
    VELLORA_NUMBER(DisableAppTab),
    VELLORA_NUMBER(DisableViewerSettings),
    VELLORA_INTERNAL_NUMBER(profileNamePrefixOn),
    VELLORA_INTERNAL_TEXT(profileNamePrefix),
    VELLORA_TEXT(SigCertificate),
    VELLORA_TEXT(SigStore),
    VELLORA_TEXT(StampText),
    VELLORA_TEXT(StampFont),
    VELLORA_TEXT(DefaultPath),
    VELLORA_TEXT(StationeryName),
    VELLORA_TEXT(StationeryPath),
    VELLORA_INTERNAL_TEXT(PDFQuality),
    VELLORA_TEXT(InterpreterSetting),
}};

#undef VELLORA_NUMBER
#undef VELLORA_TEXT
#undef VELLORA_INTERNAL_NUMBER
#undef VELLORA_INTERNAL_TEXT

const unsigned char* bytesOf(const SettingsRecord& record) {
  return reinterpret_cast<const unsigned char*>(&record);
}
unsigned char* bytesOf(SettingsRecord& record) { return reinterpret_cast<unsigned char*>(&record); }

// Scrambles (or restores) a password field of an image in place. Only the
// characters before its NUL change, and never into a NUL, so the rest of the
// field keeps its bytes and the image stays byte-for-byte reversible.
void scrambleField(std::string& image, std::size_t offset, std::size_t width) {
  std::size_t length = 0;
  while (length < kScrambleOutputLimit && length < width && image[offset + length] != '\0')
    ++length;
  const std::string scrambled = ScramblePassword(image.substr(offset, length));
  image.replace(offset, scrambled.size(), scrambled);
}

void scramblePasswords(std::string& image) {
  scrambleField(image, offsetof(SettingsRecord, EUserPassword), sizeof(SettingsRecord::EUserPassword));
  scrambleField(image, offsetof(SettingsRecord, EOwnerPassword), sizeof(SettingsRecord::EOwnerPassword));
}

}  // namespace

const std::array<SettingField, kSettingCount>& settingFields() { return kFields; }

int settingIndex(const std::string& name) {
  for (std::size_t i = 0; i < kFields.size(); ++i)
    if (equalsIgnoreCase(kFields[i].name, name)) return static_cast<int>(i);
  return -1;
}

std::int32_t numberAt(const SettingsRecord& record, const SettingField& field) {
  std::int32_t value = 0;
  if (field.kind == SettingKind::kNumber) std::memcpy(&value, bytesOf(record) + field.offset, 4);
  return value;
}

void setNumberAt(SettingsRecord& record, const SettingField& field, std::int32_t value) {
  if (field.kind == SettingKind::kNumber) std::memcpy(bytesOf(record) + field.offset, &value, 4);
}

std::string textAt(const SettingsRecord& record, const SettingField& field) {
  if (field.kind != SettingKind::kText) return std::string();
  const char* start = reinterpret_cast<const char*>(bytesOf(record) + field.offset);
  std::size_t n = 0;
  while (n < field.width && start[n] != '\0') ++n;
  return std::string(start, n);
}

void setTextAt(SettingsRecord& record, const SettingField& field, const std::string& text) {
  if (field.kind != SettingKind::kText) return;
  char* start = reinterpret_cast<char*>(bytesOf(record) + field.offset);
  const std::size_t n = text.size() < field.width - 1 ? text.size() : field.width - 1;
  for (std::size_t i = 0; i < field.width; ++i) start[i] = i < n ? text[i] : '\0';
}

int LockTable::of(const std::string& name) const {
  int index = settingIndex(name);
  return index < 0 ? 0 : level[static_cast<std::size_t>(index)];
}

void LockTable::set(const std::string& name, int value) {
  int index = settingIndex(name);
  if (index >= 0) level[static_cast<std::size_t>(index)] = value;
}

std::string settingsImage(const SettingsRecord& record) {
  std::string image(reinterpret_cast<const char*>(bytesOf(record)), kSettingsRecordSize);
  scramblePasswords(image);
  return image;
}

bool settingsFromImage(const std::string& image, SettingsRecord* record) {
  if (image.size() != kSettingsRecordSize || record == nullptr) return false;
  std::string plain(image);
  scramblePasswords(plain);
  // A stored image may come from anywhere; every text field ends within its
  // width in memory whatever the image holds.
  for (const SettingField& field : kFields)
    if (field.kind == SettingKind::kText) plain[field.offset + field.width - 1] = '\0';
  std::memcpy(bytesOf(*record), plain.data(), kSettingsRecordSize);
  return true;
}

}  // namespace vellora
