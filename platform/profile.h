// Reading INI files ("private profile strings"): [sections] of key=value
// lines, section and key names matched without regard to letter case.
#pragma once

#include <string>

namespace platform {

// The value of key in section, or defaultValue when the file, the section or
// the key is missing. Blanks around the value are dropped, and one pair of
// matching quotes around the whole value is removed. The result is cut to
// capacity - 1 characters.
std::string profileString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& defaultValue,
                          std::size_t capacity);
// The value read as a decimal integer (leading digits, optional sign), or
// defaultValue when the key is missing.
int profileInt(const std::string& file, const std::string& section, const std::string& key,
               int defaultValue);
// Whether the key exists in the section at all.
bool profileKeyExists(const std::string& file, const std::string& section, const std::string& key);

}  // namespace platform
