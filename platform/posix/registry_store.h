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

// The journal a store on a file system of this type (statfs's f_type)
// keeps: "WAL" (readers go on while a job writes) on a file system of this
// machine; "DELETE" on one that several machines share (NFS, SMB), where a
// write-ahead log's index, kept in memory only the processes of one machine
// share, would let the jobs of two print servers spoil a home's store.
const char* journalModeForFileSystem(unsigned long type);

}  // namespace posix
}  // namespace platform
