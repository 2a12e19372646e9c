// File-name patterns with "*" and "?", as the Windows file listing reads
// them, on every platform alike: a folder listed with the same pattern gives
// the same names wherever it runs.
#pragma once

#include <string>

namespace platform {

// Whether one name matches a pattern: "*" stands for any run of characters
// (none included), "?" for exactly one; letters match either case (ASCII).
// An empty pattern matches only an empty name.
bool wildcardMatch(const std::string& pattern, const std::string& name);

// The listing's rule: wildcardMatch, and beyond it what Windows adds for
// names without any dot: "name.*" also matches "name" (so "*.*" matches
// every name) and "name." matches exactly "name".
bool fileNameMatches(const std::string& pattern, const std::string& name);

}  // namespace platform
