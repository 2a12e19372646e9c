#include "converter/settings/profiles.h"

#include "converter/settings/store_access.h"
#include "platform/registry.h"

namespace vellora {

int SaveProfile(const PrinterKeys& keys, const std::string& name, const SettingsRecord& record) {
  platform::RegKey key;
  if (name == kLastSettingProfile) {
    if (key.open(kUserRoot, kUserKey, platform::kRegWrite) != platform::kRegOk) return 0;
  } else if (!openForWriting(kUserRoot, keys.profilesKey, &key)) {
    return 0;
  }
  return key.setBinary(name, settingsImage(record)) == platform::kRegOk ? 1 : 0;
}

void DeleteLastSetting() { deleteStoreValue(StoreKey::kUser, kLastSettingProfile); }

}  // namespace vellora
