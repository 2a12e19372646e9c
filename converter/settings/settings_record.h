// Every option of one conversion in one fixed-layout record. Its byte image
// is also the stored profile format (a REG_BINARY value of 5,056 bytes), so
// the layout below is exact: offsets, widths and the two 2-byte fillers.
// Integers are little-endian 32-bit; texts are NUL-terminated ANSI in fields
// of fixed width, holding at most width - 1 characters.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace vellora {

#pragma pack(push, 1)
struct SettingsRecord {
  std::int32_t PDFLevel;
  char PDFTitle[500];
  char PDFSubject[255];
  char PDFAuthor[255];
  char PDFKeywords[500];
  char filler1[2];
  std::int32_t EncryptionLevel;
  char EUserPassword[255];
  char EOwnerPassword[255];
  char filler2[2];
  std::int32_t EAllowPrinting;
  std::int32_t EAllowModifyContent;
  std::int32_t EAllowModifyAnnotations;
  std::int32_t EAllowCopyPaste;
  std::int32_t EAllowFillIn;
  std::int32_t EAllowScreenReading;
  std::int32_t EAllowAssembly;
  std::int32_t EAllowDegradedPrinting;
  char interpreterText[256];
  std::int32_t AutoView;
  std::int32_t AutoEmail;
  std::int32_t DispAdvanced;
  std::int32_t autooptsetting;
  std::int32_t RememberLast;
  std::int32_t AutoName;
  std::int32_t FileToClipboard;
  std::int32_t HideProfiles;
  std::int32_t LockProfiles;
  std::int32_t LockProfileSave;
  std::int32_t LockProfileDelete;
  std::int32_t LockProfileDefault;
  std::int32_t LockProfileSelect;
  std::int32_t ProfileLocation;
  std::int32_t StationeryDisable;
  std::int32_t StationeryWatermark;
  std::int32_t EnableStamp;
  std::int32_t StampSize;
  std::int32_t StampRotate;
  std::int32_t StampX;
  std::int32_t StampY;
  std::int32_t StampFontSize;
  std::int32_t StampFontColor;
  std::int32_t ApplySignature;
  std::int32_t UseSmartPass;
  std::int32_t SecurityPrompt;
  std::int32_t UseAppProfiles;
  std::int32_t AutoRotate;
  std::int32_t ViewFullScreen;
  std::int32_t ViewPDFTitle;
  std::int32_t ViewToolBar;
  std::int32_t ViewMenuBar;
  std::int32_t ViewMaximize;
  std::int32_t ViewCenter;
  std::int32_t ViewZoom;
  std::int32_t ViewLayout;
  std::int32_t ViewMenus;
  std::int32_t SigType;
  std::int32_t DisablePasswordWarnings;
  std::int32_t DisableSecurityTab;
  std::int32_t DisableDisplayTab;
  std::int32_t DisableAppTab;
  std::int32_t DisableViewerSettings;
  std::int32_t profileNamePrefixOn;
  char profileNamePrefix[255];
  char SigCertificate[255];
  char SigStore[255];
  char StampText[255];
  char StampFont[255];
  char DefaultPath[260];
  char StationeryName[255];
  char StationeryPath[260];
  char PDFQuality[255];
  char InterpreterSetting[255];
};
#pragma pack(pop)

constexpr std::size_t kSettingsRecordSize = 5056;

#define VELLORA_AT(field, offset) \
  static_assert(offsetof(SettingsRecord, field) == (offset), #field " is out of place")
static_assert(sizeof(SettingsRecord) == kSettingsRecordSize, "the stored profile format is 5,056 bytes");
VELLORA_AT(PDFLevel, 0);
VELLORA_AT(PDFTitle, 4);
VELLORA_AT(PDFSubject, 504);
VELLORA_AT(PDFAuthor, 759);
VELLORA_AT(PDFKeywords, 1014);
VELLORA_AT(filler1, 1514);
VELLORA_AT(EncryptionLevel, 1516);
VELLORA_AT(EUserPassword, 1520);
VELLORA_AT(EOwnerPassword, 1775);
VELLORA_AT(filler2, 2030);
VELLORA_AT(EAllowPrinting, 2032);
VELLORA_AT(EAllowModifyContent, 2036);
VELLORA_AT(EAllowModifyAnnotations, 2040);
VELLORA_AT(EAllowCopyPaste, 2044);
VELLORA_AT(EAllowFillIn, 2048);
VELLORA_AT(EAllowScreenReading, 2052);
VELLORA_AT(EAllowAssembly, 2056);
VELLORA_AT(EAllowDegradedPrinting, 2060);
VELLORA_AT(interpreterText, 2064);
VELLORA_AT(AutoView, 2320);
VELLORA_AT(AutoEmail, 2324);
VELLORA_AT(DispAdvanced, 2328);
VELLORA_AT(autooptsetting, 2332);
VELLORA_AT(RememberLast, 2336);
VELLORA_AT(AutoName, 2340);
VELLORA_AT(FileToClipboard, 2344);
VELLORA_AT(HideProfiles, 2348);
VELLORA_AT(LockProfiles, 2352);
VELLORA_AT(LockProfileSave, 2356);
VELLORA_AT(LockProfileDelete, 2360);
VELLORA_AT(LockProfileDefault, 2364);
VELLORA_AT(LockProfileSelect, 2368);
VELLORA_AT(ProfileLocation, 2372);
VELLORA_AT(StationeryDisable, 2376);
VELLORA_AT(StationeryWatermark, 2380);
VELLORA_AT(EnableStamp, 2384);
VELLORA_AT(StampSize, 2388);
VELLORA_AT(StampRotate, 2392);
VELLORA_AT(StampX, 2396);
VELLORA_AT(StampY, 2400);
VELLORA_AT(StampFontSize, 2404);
VELLORA_AT(StampFontColor, 2408);
VELLORA_AT(ApplySignature, 2412);
VELLORA_AT(UseSmartPass, 2416);
VELLORA_AT(SecurityPrompt, 2420);
VELLORA_AT(UseAppProfiles, 2424);
VELLORA_AT(AutoRotate, 2428);
VELLORA_AT(ViewFullScreen, 2432);
VELLORA_AT(ViewPDFTitle, 2436);
VELLORA_AT(ViewToolBar, 2440);
VELLORA_AT(ViewMenuBar, 2444);
VELLORA_AT(ViewMaximize, 2448);
VELLORA_AT(ViewCenter, 2452);
VELLORA_AT(ViewZoom, 2456);
VELLORA_AT(ViewLayout, 2460);
VELLORA_AT(ViewMenus, 2464);
VELLORA_AT(SigType, 2468);
VELLORA_AT(DisablePasswordWarnings, 2472);
VELLORA_AT(DisableSecurityTab, 2476);
VELLORA_AT(DisableDisplayTab, 2480);
VELLORA_AT(DisableAppTab, 2484);
VELLORA_AT(DisableViewerSettings, 2488);
VELLORA_AT(profileNamePrefixOn, 2492);
VELLORA_AT(profileNamePrefix, 2496);
VELLORA_AT(SigCertificate, 2751);
VELLORA_AT(SigStore, 3006);
VELLORA_AT(StampText, 3261);
VELLORA_AT(StampFont, 3516);
VELLORA_AT(DefaultPath, 3771);
VELLORA_AT(StationeryName, 4031);
VELLORA_AT(StationeryPath, 4286);
VELLORA_AT(PDFQuality, 4546);
VELLORA_AT(InterpreterSetting, 4801);
#undef VELLORA_AT

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the stored settings format is little-endian; add byte swapping for this host"
#endif

// Reads a text field (up to its first NUL, never past its width).
template <std::size_t N>
std::string fieldText(const char (&field)[N]) {
  std::size_t n = 0;
  while (n < N && field[n] != '\0') ++n;
  return std::string(field, n);
}

// Writes a text field, cut to width - 1 characters, the rest zero-filled.
template <std::size_t N>
void setFieldText(char (&field)[N], const std::string& text) {
  std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
  for (std::size_t i = 0; i < N; ++i) field[i] = i < n ? text[i] : '\0';
}

// What a setting is made of; the table below lists every field of the record
// in record order, fillers left out.
enum class SettingKind { kNumber, kText };

struct SettingField {
  const char* name;       // the registry value name (the field name)
  SettingKind kind;
  std::size_t offset;
  std::size_t width;      // bytes
  bool hasRegistryValue;  // false for interpreterText, profileNamePrefixOn, profileNamePrefix, PDFQuality
};

constexpr std::size_t kSettingCount = 71;
const std::array<SettingField, kSettingCount>& settingFields();
// Index into settingFields() of a name (letter case ignored), -1 when unknown.
int settingIndex(const std::string& name);

// Generic access by field, for code that walks the table (locks, profiles).
std::int32_t numberAt(const SettingsRecord& record, const SettingField& field);
void setNumberAt(SettingsRecord& record, const SettingField& field, std::int32_t value);
std::string textAt(const SettingsRecord& record, const SettingField& field);
void setTextAt(SettingsRecord& record, const SettingField& field, const std::string& text);

// A lock level per setting: 0 free, 1 locked and shown disabled, 2 locked and
// hidden. Any level above 0 locks.
struct LockTable {
  std::array<int, kSettingCount> level{};
  int of(const std::string& name) const;
  void set(const std::string& name, int value);
};

// The stored image: the record's bytes with both passwords scrambled (the
// record in memory holds them plain).
std::string settingsImage(const SettingsRecord& record);
// Reads an image back; false (record untouched) when it is not 5,056 bytes.
bool settingsFromImage(const std::string& image, SettingsRecord* record);

}  // namespace vellora
