// The registry as vlreg sees it when an administrator acts for another user
// (vlreg --user NAME): HKEY_CURRENT_USER\Software\Policies is that user's,
// which the store keeps below HKEY_USERS\<the user's SID>. The rest of that
// user's HKEY_CURRENT_USER is a file of the user's own and stays out of reach;
// the other roots are the machine's as always.
#pragma once

#include <cstdint>
#include <string>

#include "platform/registry.h"

namespace vlreg {

class UserPolicyRegistry : public platform::Registry {
 public:
  // inner: the registry to act on; sid: the user's key below HKEY_USERS.
  UserPolicyRegistry(platform::Registry& inner, std::string sid);

  // Whether a key can be reached for the user: any key but those of
  // HKEY_CURRENT_USER outside Software\Policies.
  static bool reachable(platform::RegRoot root, const std::string& path);

  long Open(platform::RegRoot root, const std::string& path, platform::RegAccess access,
            platform::RegHandle* key) override;
  long Create(platform::RegRoot root, const std::string& path, platform::RegHandle* key) override;
  long Close(platform::RegHandle key) override { return inner_.Close(key); }
  long DeleteTree(platform::RegRoot root, const std::string& path) override;
  long QueryValue(platform::RegHandle key, const std::string& name, platform::RegType* type,
                  std::string* data) override {
    return inner_.QueryValue(key, name, type, data);
  }
  long SetValue(platform::RegHandle key, const std::string& name, platform::RegType type,
                const std::string& data) override {
    return inner_.SetValue(key, name, type, data);
  }
  long DeleteValue(platform::RegHandle key, const std::string& name) override {
    return inner_.DeleteValue(key, name);
  }
  long EnumKey(platform::RegHandle key, std::uint32_t index, std::string* name) override {
    return inner_.EnumKey(key, index, name);
  }
  long EnumValue(platform::RegHandle key, std::uint32_t index, std::string* name,
                 platform::RegType* type, std::string* data) override {
    return inner_.EnumValue(key, index, name, type, data);
  }

 private:
  // The user's key for a key of HKEY_CURRENT_USER; false when it cannot be reached.
  bool map(platform::RegRoot* root, std::string* path) const;

  platform::Registry& inner_;
  std::string sid_;
};

}  // namespace vlreg
