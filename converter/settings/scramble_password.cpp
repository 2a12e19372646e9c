#include "converter/settings/scramble_password.h"

#include <array>
#include <cstdint>
#include <utility>

#include "common/text.h"
#include "converter/settings/settings_keys.h"

namespace vellora {

std::string scrambleKeyText() {
  // Fixed for good; see the header.
  return format("%s|%s|%s", kDefaultSettingsKey, kDefaultProfilesKey, "Vellora 2.58 Norvale");
}

std::string ScramblePassword(const std::string& text) {
  // Stored passwords are C texts: nothing after a NUL belongs to them.
  std::string input = text.substr(0, text.find('\0'));
  if (input.size() > kScrambleInputLimit) input.resize(kScrambleInputLimit);
  if (input.empty()) return std::string();

  const std::string key = scrambleKeyText();
  std::array<std::uint8_t, 256> s{};
  for (int i = 0; i < 256; ++i) s[i] = static_cast<std::uint8_t>(i);
  std::uint8_t j = 0;
  for (int i = 0; i < 256; ++i) {
    j = static_cast<std::uint8_t>(j + s[i] + static_cast<std::uint8_t>(key[i % key.size()]));
    std::swap(s[i], s[j]);
  }

  std::string output(input);
  std::uint8_t a = 0;
  std::uint8_t b = 0;
  for (char& c : output) {
    a = static_cast<std::uint8_t>(a + 1);
    b = static_cast<std::uint8_t>(b + s[a]);
    std::swap(s[a], s[b]);
    const std::uint8_t k = s[static_cast<std::uint8_t>(s[a] + s[b])];
    const std::uint8_t byte = static_cast<std::uint8_t>(c);
    if (byte != k) c = static_cast<char>(byte ^ k);
  }
  if (output.size() > kScrambleOutputLimit) output.resize(kScrambleOutputLimit);
  return output;
}

}  // namespace vellora
