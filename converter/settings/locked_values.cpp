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

struct Level {
  platform::RegRoot root;
  std::string path;
};

// Reads the lock value into level when it is present.
void readLock(const RegKey& key, const std::string& lockName, int* level) {
  std::int32_t lock = 0;
  if (readNumberValue(key, lockName, &lock)) *level = lock;
}

}  // namespace

LockedNumber ReadLockedNumber(const PrinterKeys& keys, const std::string& name) {
  const std::string lockName = lockValueName(name);
  int level = 0;
  std::int32_t fallback = 0;

  const Level earlier[] = {{platform::HKCU, kPolicyKey},
                           {platform::HKLM, kPolicyKey},
                           {kMachineRoot, keys.settingsKey.str()}};
  for (std::size_t i = 0; i < 3; ++i) {
    RegKey key;
    if (key.open(earlier[i].root, earlier[i].path, platform::kRegRead) != platform::kRegOk) {
      // The printer's machine key is created on first use where rights allow.
      if (i < 2 || key.create(earlier[i].root, earlier[i].path) != platform::kRegOk) continue;
    }
    readLock(key, lockName, &level);
    std::int32_t here = 0;
    if (readNumberValue(key, name, &here)) fallback = here;
    if (level > 0) return {here, level};
  }

  level = 0;
  RegKey user;
  if (!openForWriting(kUserRoot, kUserKey, &user)) return {0, 0};
  readLock(user, lockName, &level);
  std::int32_t value = 0;
  if (readNumberValue(user, name, &value)) return {value, level};
  return {fallback, level};
}

LockedText ReadLockedText(const PrinterKeys& keys, const std::string& name) {
  const std::string lockName = lockValueName(name);
  int level = 0;
  std::string latest;  // the text of the latest level that had one

  // Policies: read only.
  const platform::RegRoot policyRoots[] = {platform::HKCU, platform::HKLM};
  for (platform::RegRoot root : policyRoots) {
    RegKey key;
    if (key.open(root, kPolicyKey, platform::kRegRead) != platform::kRegOk) continue;
    readLock(key, lockName, &level);
    std::string here;
    if (readTextValue(key, name, &here)) latest = here;
    if (level > 0) return {latest, level};
  }

  // The printer's machine settings: a user who may not write them gets what
  // they hold as a locked value unless the key's own lock says otherwise.
  {
    RegKey writable;
    if (!openForWriting(kMachineRoot, keys.settingsKey.str(), &writable)) level = 1;
    writable.close();
    RegKey key;
    if (key.open(kMachineRoot, keys.settingsKey.str(), platform::kRegRead) != platform::kRegOk) {
      level = 0;
    } else {
      readLock(key, lockName, &level);
      std::string here;
      if (readTextValue(key, name, &here)) latest = here;
      if (level > 0) return {latest, level};
    }
  }

  // The user's own value.
  level = 0;
  {
    RegKey writable;
    if (!openForWriting(kUserRoot, kUserKey, &writable)) level = 1;
  }
  RegKey user;
  if (user.open(kUserRoot, kUserKey, platform::kRegRead) != platform::kRegOk) return {"", level};
  readLock(user, lockName, &level);
  std::string text;
  if (readTextValue(user, name, &text)) return {text, level};
  return {latest, level};
}

}  // namespace vellora
