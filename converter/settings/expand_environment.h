// "%NAME%" expansion of the path texts of the settings and the options file.
#pragma once

#include <cstddef>
#include <string>

namespace vellora {

constexpr std::size_t kExpandedCapacity = 260;  // at most 259 characters

// Splits the text at every "%" (a run of them is one split, empty pieces
// vanish) and alternates literal and name pieces, starting with a name when
// the text begins with "%". A name is replaced by the environment variable of
// that name (letter case ignored) or, when there is none, by the bare name.
// The result is cut to 259 characters.
std::string expandEnvironment(const std::string& text);

}  // namespace vellora
