// Where the POSIX store keeps a user's policies.
//
// On Windows HKEY_CURRENT_USER\Software\Policies belongs to the
// administrators: the user reads it and may not write it, so a lock set for
// one user holds against that user. Here the user's own store is a file the
// user owns, so the store serves that key from the machine store instead,
// below HKEY_USERS\<the user's SID>\Software\Policies, which only whoever
// administers the machine may write. A Linux account's SID is
// "S-1-22-1-<uid>", the form Samba gives Unix accounts.
#pragma once

#include <string>
#include <vector>

namespace platform {
namespace posix {

// "S-1-22-1-<uid>".
std::string userSid(unsigned long uid);
// The SID of the account named `userName`; false when there is none.
bool userSidOf(const std::string& userName, std::string* sid);

// Whether a key path, split into its components, is HKEY_CURRENT_USER's
// "Software\Policies" or below it.
bool isUserPolicyPath(const std::vector<std::string>& parts);
// Whether a path below HKEY_USERS is some user's "<SID>\Software\Policies"
// or below it: keys only an administrator may change.
bool isUsersPolicyPath(const std::vector<std::string>& parts);

}  // namespace posix
}  // namespace platform
