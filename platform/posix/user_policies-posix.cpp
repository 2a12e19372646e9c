#include "platform/posix/user_policies.h"

#include <pwd.h>

#include <strings.h>

namespace platform {
namespace posix {

namespace {

bool samePart(const std::string& part, const char* name) {
  return strcasecmp(part.c_str(), name) == 0;
}

bool isPoliciesBelow(const std::vector<std::string>& parts, std::size_t at) {
  return parts.size() >= at + 2 && samePart(parts[at], "Software") &&
         samePart(parts[at + 1], "Policies");
}

}  // namespace

std::string userSid(unsigned long uid) { return "S-1-22-1-" + std::to_string(uid); }

bool userSidOf(const std::string& userName, std::string* sid) {
  struct passwd entry;
  struct passwd* found = nullptr;
  char buffer[4096];
  if (userName.empty() || getpwnam_r(userName.c_str(), &entry, buffer, sizeof buffer, &found) != 0 ||
      found == nullptr)
    return false;
  *sid = userSid(found->pw_uid);
  return true;
}

bool isUserPolicyPath(const std::vector<std::string>& parts) { return isPoliciesBelow(parts, 0); }

bool isUsersPolicyPath(const std::vector<std::string>& parts) {
  return !parts.empty() && isPoliciesBelow(parts, 1);
}

}  // namespace posix
}  // namespace platform
