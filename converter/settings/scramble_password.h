// The reversible transformation the two passwords are stored in (registry
// values and profile images), so that they are not kept as plain text.
#pragma once

#include <cstddef>
#include <string>

namespace vellora {

constexpr std::size_t kScrambleInputLimit = 500;   // characters considered
constexpr std::size_t kScrambleOutputLimit = 254;  // what a password field holds

// RC4 over the text with the system's one fixed key, except that a byte equal
// to its keystream byte stays as it is: the result never holds a NUL, keeps
// the input's length (cut to 254 characters) and the same call restores it.
std::string ScramblePassword(const std::string& text);

// The key text. It must never change: every stored password and profile
// written by an installation is read back with it.
std::string scrambleKeyText();

}  // namespace vellora
