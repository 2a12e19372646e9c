// Reading one setting through the lookup chain with administrator locks:
// HKCU policy, HKLM policy, the printer's machine settings, then the user's
// own value. A lock at an earlier level wins; an unlocked value of an earlier
// level is the default for a user who has none.
#pragma once

#include <cstdint>
#include <string>

#include "converter/settings/settings_keys.h"
#include "platform/registry.h"

namespace vellora {

struct LockedNumber {
  std::int32_t value = 0;
  int lockLevel = 0;  // 0 free, 1 locked and disabled, 2 locked and hidden
};

struct LockedText {
  std::string text;  // at most 779 characters; longer stored texts count as missing
  int lockLevel = 0;
};

// The name of the lock value of a setting: "lk_<name>", except that a setting
// whose name begins with "Lock" or "lock" is its own lock.
std::string lockValueName(const std::string& name);

// The keys of the chain, opened (and, where the rules say so and rights
// allow, created) once for many reads: a settings load opens each level once
// instead of once per setting. What a read finds is the same either way.
class LookupLevels {
 public:
  explicit LookupLevels(const PrinterKeys& keys);
  LookupLevels(const LookupLevels&) = delete;
  LookupLevels& operator=(const LookupLevels&) = delete;

 private:
  friend LockedNumber ReadLockedNumber(const LookupLevels& levels, const std::string& name);
  friend LockedText ReadLockedText(const LookupLevels& levels, const std::string& name);
  platform::RegKey policy_[2];      // HKCU, then HKLM; closed where missing
  platform::RegKey machine_;        // the printer's machine settings, for reading
  bool machineWritable_ = false;    // opened for writing or created
  platform::RegKey userWritable_;   // UserKey for writing (created when missing)
  platform::RegKey user_;           // UserKey for reading
};

LockedNumber ReadLockedNumber(const LookupLevels& levels, const std::string& name);
LockedText ReadLockedText(const LookupLevels& levels, const std::string& name);
// The same for a single read.
LockedNumber ReadLockedNumber(const PrinterKeys& keys, const std::string& name);
LockedText ReadLockedText(const PrinterKeys& keys, const std::string& name);

}  // namespace vellora
