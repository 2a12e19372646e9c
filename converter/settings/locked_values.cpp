// Value types: a number setting stored as another type is read as its raw
// bytes when they fit in four (store_access.h); a text setting stored as
// anything but a string counts as missing.
#include "converter/settings/locked_values.h"

#include "common/text.h"
#include "converter/settings/store_access.h"

namespace vellora {

using platform::RegKey;

std::string lockValueName(const std::string& name) {
  if (name.compare(0, 4, "Lock") == 0 || name.compare(0, 4, "lock") == 0) return name;
  return format("lk_%s", name.c_str());
}

namespace {

// Reads the lock value into level when it is present.
void readLock(const RegKey& key, const std::string& lockName, int* level) {
  std::int32_t lock = 0;
  if (readNumberValue(key, lockName, &lock)) *level = lock;
}

}  // namespace

LookupLevels::LookupLevels(const PrinterKeys& keys) {
  // Policies: read only.
  policy_[0].open(platform::HKCU, kPolicyKey, platform::kRegRead);
  policy_[1].open(platform::HKLM, kPolicyKey, platform::kRegRead);
  // The printer's machine key is created on first use where rights allow;
  // whether this user may write it decides the lock of its texts.
  {
    RegKey writable;
    machineWritable_ = openForWriting(kMachineRoot, keys.settingsKey.str(), &writable);
  }
  machine_.open(kMachineRoot, keys.settingsKey.str(), platform::kRegRead);
  // The user's key is made when missing.
  if (!openForWriting(kUserRoot, kUserKey, &userWritable_)) userWritable_.close();
  user_.open(kUserRoot, kUserKey, platform::kRegRead);
}

LockedNumber ReadLockedNumber(const LookupLevels& levels, const std::string& name) {
  const std::string lockName = lockValueName(name);
  int level = 0;
  std::int32_t fallback = 0;

  const RegKey* earlier[] = {&levels.policy_[0], &levels.policy_[1], &levels.machine_};
  for (const RegKey* key : earlier) {
    if (!key->isOpen()) continue;
    readLock(*key, lockName, &level);
    std::int32_t here = 0;
    if (readNumberValue(*key, name, &here)) fallback = here;
    if (level > 0) return {here, level};
  }

  level = 0;
  const RegKey& user = levels.userWritable_;
  if (!user.isOpen()) return {0, 0};
  readLock(user, lockName, &level);
  std::int32_t value = 0;
  if (readNumberValue(user, name, &value)) return {value, level};
  return {fallback, level};
}

LockedText ReadLockedText(const LookupLevels& levels, const std::string& name) {
  const std::string lockName = lockValueName(name);
  int level = 0;
  std::string latest;  // the text of the latest level that had one

  for (const RegKey& key : levels.policy_) {
    if (!key.isOpen()) continue;
    readLock(key, lockName, &level);
    std::string here;
    if (readTextValue(key, name, &here)) latest = here;
    if (level > 0) return {latest, level};
  }

  // The printer's machine settings: a user who may not write them gets what
  // they hold as a locked value unless the key's own lock says otherwise.
  if (!levels.machineWritable_) level = 1;
  if (!levels.machine_.isOpen()) {
    level = 0;
  } else {
    readLock(levels.machine_, lockName, &level);
    std::string here;
    if (readTextValue(levels.machine_, name, &here)) latest = here;
    if (level > 0) return {latest, level};
  }

  // The user's own value.
  level = levels.userWritable_.isOpen() ? 0 : 1;
  const RegKey& user = levels.user_;
  if (!user.isOpen()) return {"", level};
  readLock(user, lockName, &level);
  std::string text;
  if (readTextValue(user, name, &text)) return {text, level};
  return {latest, level};
}

LockedNumber ReadLockedNumber(const PrinterKeys& keys, const std::string& name) {
  return ReadLockedNumber(LookupLevels(keys), name);
}

LockedText ReadLockedText(const PrinterKeys& keys, const std::string& name) {
  return ReadLockedText(LookupLevels(keys), name);
}

}  // namespace vellora
