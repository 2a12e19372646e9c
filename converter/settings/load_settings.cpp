#include "converter/settings/load_settings.h"

#include <cstring>

#include "common/text.h"
#include "converter/settings/expand_environment.h"
#include "converter/settings/locked_values.h"
#include "converter/settings/scramble_password.h"
#include "converter/settings/store_access.h"
#include "platform/files.h"

namespace vellora {

namespace {

const std::array<const char*, kLoadedSettingCount> kLoadOrder = {{
    "PDFLevel", "AutoView", "AutoEmail", "PDFTitle", "PDFKeywords", "PDFSubject", "PDFAuthor",
    "autooptsetting", "DispAdvanced", "RememberLast", "FileToClipboard", "AutoName",
    "HideProfiles", "LockProfiles", "LockProfileDefault", "LockProfileDelete", "LockProfileSave",
    "LockProfileSelect", "StationeryDisable", "StationeryWatermark", "EnableStamp", "StampSize",
    "StampRotate", "StampX", "StampY", "StampFontSize", "StampFontColor", "ProfileLocation",
    "EncryptionLevel", "EAllowPrinting", "EAllowModifyContent", "EAllowModifyAnnotations",
    "EAllowCopyPaste", "EAllowFillIn", "EAllowScreenReading", "EAllowAssembly",
    "EAllowDegradedPrinting", "DisablePasswordWarnings", "EOwnerPassword", "EUserPassword",
    "StampText", "StampFont", "StationeryName", "StationeryPath", "DefaultPath", "SigCertificate",
    "SigStore", "InterpreterSetting", "SigType", "ApplySignature", "UseSmartPass",
    "UseAppProfiles", "SecurityPrompt", "ViewFullScreen", "ViewMenuBar", "ViewToolBar",
    "ViewLayout", "ViewMenus", "ViewPDFTitle", "ViewZoom", "ViewMaximize", "ViewCenter",
    "AutoRotate", "DisableAppTab", "DisableDisplayTab", "DisableSecurityTab",
    "DisableViewerSettings",
}};

// UserKey's AutoLaunch. A user without the key gets it, with AutoLaunch on.
std::int32_t readAutoLaunch() {
  platform::RegKey user;
  if (user.open(kUserRoot, kUserKey, platform::kRegRead) != platform::kRegOk) {
    platform::RegKey created;
    if (created.create(kUserRoot, kUserKey) != platform::kRegOk) return 0;
    return created.setDword("AutoLaunch", 1) == platform::kRegOk ? 1 : 0;
  }
  std::int32_t value = 0;
  readNumberValue(user, "AutoLaunch", &value);
  return value;
}

bool isPassword(const std::string& name) {
  return name == "EOwnerPassword" || name == "EUserPassword";
}

}  // namespace

const std::array<const char*, kLoadedSettingCount>& settingsLoadOrder() { return kLoadOrder; }

std::string defaultStationeryPath(const std::string& installDir) {
  return format("%s%sStationery", installDir.c_str(), platform::kPathSeparator);
}

std::string stationeryPathOrDefault(const std::string& storedPath, const std::string& installDir) {
  std::string path = expandEnvironment(storedPath);
  if (path.size() < 3) path = defaultStationeryPath(installDir);
  return path;
}

void LoadSettings(const PrinterKeys& keys, const std::string& installDir, LoadedSettings* out) {
  SettingsRecord& record = out->record;
  // Texts start empty (fillers keep what they hold); the numbers without a
  // registry value start at 0, the others are all read below.
  for (const SettingField& field : settingFields()) {
    if (field.kind == SettingKind::kText) setTextAt(record, field, std::string());
    else if (!field.hasRegistryValue) setNumberAt(record, field, 0);
  }
  out->locks = LockTable();

  // One view of the stores for the whole load: every setting is read from
  // the same state, however other jobs write meanwhile, and the chain's keys
  // are opened once, not once per setting.
  platform::RegistryReads reads;
  const LookupLevels levels(keys);
  for (const char* name : kLoadOrder) {
    const int index = settingIndex(name);
    const SettingField& field = settingFields()[static_cast<std::size_t>(index)];
    int level = 0;
    if (field.kind == SettingKind::kNumber) {
      LockedNumber read = ReadLockedNumber(levels, name);
      level = read.lockLevel;
      std::int32_t value = read.value;
      // Only PDF 1.2 to 1.4 exist; anything else an administrator stored
      // (a 77 would ask the interpreter for "1.79") gets the default.
      if (field.name == std::string("PDFLevel") && (value <= 0 || value > 2)) value = 1;
      if (field.name == std::string("AutoView") && level == 0 && readAutoLaunch() == 1) value = 1;
      setNumberAt(record, field, value);
    } else {
      LockedText read = ReadLockedText(levels, name);
      level = read.lockLevel;
      std::string text = read.text;
      if (isPassword(name)) text = ScramblePassword(text);
      if (field.name == std::string("StationeryPath")) text = stationeryPathOrDefault(text, installDir);
      if (field.name == std::string("DefaultPath")) text = expandEnvironment(text);
      setTextAt(record, field, text);
    }
    out->locks.level[static_cast<std::size_t>(index)] = level;
  }

  std::memcpy(&out->snapshot, &out->record, sizeof(SettingsRecord));
  out->controlLocks = out->locks;
}

}  // namespace vellora
