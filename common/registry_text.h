// Reading a registry string into a buffer of fixed capacity the way the
// Windows call does: a value that does not fit is not read at all.
#pragma once

#include <cstddef>
#include <string>

#include "platform/registry.h"

namespace vellora {

// The string value with its terminator in at most `capacity` bytes; empty
// when the key or value is missing, is no string, or is too long.
std::string readRegistryText(platform::RegRoot root, const std::string& key,
                             const std::string& name, std::size_t capacity);

// The same for a key already open.
bool readKeyText(const platform::RegKey& key, const std::string& name, std::size_t capacity,
                 std::string* text);

}  // namespace vellora
