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

// The folder of the printers' options files ("<printer>.opt"): the product
// key's "OptionsPath" when it is set, else the product folder. A system-wide
// installation that keeps its programs apart from its configuration (a
// Debian package: programs under /usr/lib, configuration under /etc) names
// its configuration folder there.
std::string optionsFolder(const std::string& productFolder, std::size_t capacity);

// The options file of a printer in that folder.
std::string printerOptionsFile(const std::string& folder, const std::string& printer);

}  // namespace vellora
