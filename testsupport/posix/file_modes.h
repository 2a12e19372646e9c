// Permission bits and owners of files: what the tests on POSIX check of
// the files the product makes for a user, and set on files they hand to
// another user.
#pragma once

#include <string>

namespace testsupport {
namespace posix {

// The permission bits (07777) of path, following a symbolic link; -1 when
// it cannot be looked at.
int permissionBits(const std::string& path);
// The user id of path's owner; -1 when it cannot be looked at.
long ownerId(const std::string& path);
// Sets path's permission bits; false (errno set) on failure.
bool setPermissionBits(const std::string& path, int bits);
// Makes link a symbolic link to target; false (errno set) on failure.
bool makeSymbolicLink(const std::string& target, const std::string& link);

}  // namespace posix
}  // namespace testsupport
