// Stored copies of the whole settings record.
#pragma once

#include <string>

#include "converter/settings/settings_keys.h"
#include "converter/settings/settings_record.h"

namespace vellora {

constexpr const char kLastSettingProfile[] = "LastSetting";

// Stores the record under a profile name: "LastSetting" in the user's own key
// (which must exist), any other name under the user's profiles key of the
// printer (created when missing). 1 when written, 0 otherwise.
int SaveProfile(const PrinterKeys& keys, const std::string& name, const SettingsRecord& record);

// Removes the remembered settings of the last job.
void DeleteLastSetting();

}  // namespace vellora
