#include "tools/vlreg/user_policy_registry.h"

#include <utility>
#include <vector>

namespace vlreg {

namespace {

bool sameName(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return i == a.size() && b[i] == '\0';
}

// The first two components of a key path, empty ones skipped as the store
// skips them.
std::vector<std::string> leadingParts(const std::string& path) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : path + "\\") {
    if (c != '\\') {
      current += c;
    } else if (!current.empty()) {
      parts.push_back(current);
      current.clear();
      if (parts.size() == 2) break;
    }
  }
  return parts;
}

}  // namespace

UserPolicyRegistry::UserPolicyRegistry(platform::Registry& inner, std::string sid)
    : inner_(inner), sid_(std::move(sid)) {}

bool UserPolicyRegistry::reachable(platform::RegRoot root, const std::string& path) {
  if (root != platform::HKCU) return true;
  const std::vector<std::string> parts = leadingParts(path);
  return parts.size() == 2 && sameName(parts[0], "Software") && sameName(parts[1], "Policies");
}

bool UserPolicyRegistry::map(platform::RegRoot* root, std::string* path) const {
  if (!reachable(*root, *path)) return false;
  if (*root == platform::HKCU) {
    *root = platform::HKU;
    *path = sid_ + "\\" + *path;
  }
  return true;
}

long UserPolicyRegistry::Open(platform::RegRoot root, const std::string& path,
                              platform::RegAccess access, platform::RegHandle* key) {
  std::string mapped = path;
  if (!map(&root, &mapped)) {
    if (key) *key = 0;
    return platform::kRegAccessDenied;
  }
  return inner_.Open(root, mapped, access, key);
}

long UserPolicyRegistry::Create(platform::RegRoot root, const std::string& path,
                                platform::RegHandle* key) {
  std::string mapped = path;
  if (!map(&root, &mapped)) {
    if (key) *key = 0;
    return platform::kRegAccessDenied;
  }
  return inner_.Create(root, mapped, key);
}

long UserPolicyRegistry::DeleteTree(platform::RegRoot root, const std::string& path) {
  std::string mapped = path;
  if (!map(&root, &mapped)) return platform::kRegAccessDenied;
  return inner_.DeleteTree(root, mapped);
}

}  // namespace vlreg
