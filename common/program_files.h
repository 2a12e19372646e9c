// Where the programs of the product and of its sibling are found.
#pragma once

#include <cstddef>
#include <string>

namespace vellora {

// A program in a folder: "<folder>\\vlconv.exe" on Windows, "<folder>/vlconv"
// on POSIX.
std::string programFile(const std::string& folder, const char* program);

// The folder named by the value "AppPath" of an HKEY_LOCAL_MACHINE key, read
// into `capacity` bytes; empty when missing or too long.
std::string applicationFolder(const char* key, std::size_t capacity);

}  // namespace vellora
