// POSIX-only controls of the registry store that Windows expresses with
// access-control lists.
#pragma once

#include <string>

#include "platform/registry.h"

namespace platform {
namespace posix {

// Marks a key (and everything below it) read-only for processes without
// administrator rights, as an administrator's ACL would. The key must exist.
// Returns a RegStatus.
long setKeyProtected(RegRoot root, const std::string& path, bool isProtected);
// Whether processes without administrator rights may only read the key: it
// or a key above it was protected, or it is a user's policy key.
bool isKeyProtected(RegRoot root, const std::string& path);

}  // namespace posix
}  // namespace platform
