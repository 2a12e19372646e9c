// Filling the job's settings from the registry once at the start of a job.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "converter/settings/settings_keys.h"
#include "converter/settings/settings_record.h"

namespace vellora {

// Everything LoadSettings produces.
struct LoadedSettings {
  SettingsRecord record{};    // the job's settings, edited later by the dialog and profiles
  LockTable locks;            // lock level per setting, as loaded
  SettingsRecord snapshot{};  // the record as loaded, where locked values are restored from
  LockTable controlLocks;     // a copy of locks that the dialog and profiles raise further
  std::string profileName;    // the stored profile loaded last; empty when none
};

constexpr std::size_t kLoadedSettingCount = 67;
// The registry values in the order LoadSettings reads them.
const std::array<const char*, kLoadedSettingCount>& settingsLoadOrder();

// Reads every setting of the record through the lookup chain for the printer
// given by `keys`; `installDir` is the product folder (for the default
// stationery folder).
void LoadSettings(const PrinterKeys& keys, const std::string& installDir, LoadedSettings* out);

// The stationery folder as the settings hold it: expanded, or the product
// folder's "Stationery" subfolder when shorter than three characters.
std::string stationeryPathOrDefault(const std::string& storedPath, const std::string& installDir);
// The product folder's "Stationery" subfolder.
std::string defaultStationeryPath(const std::string& installDir);

}  // namespace vellora
