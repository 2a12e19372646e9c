#include "converter/settings/scramble_password.h"

#include <string>

#include <gtest/gtest.h>

namespace vellora {
namespace {

// Stored passwords and profiles of every installation depend on this exact
// output; a change of key or algorithm breaks them all.
TEST(ScramblePassword, OutputIsFixedForGood) {
  EXPECT_EQ(ScramblePassword(""), "");
  EXPECT_EQ(ScramblePassword("secret"), std::string("\xe4\x81\x09\x35\x58\x53"));
  // Bytes equal to their keystream byte stay as they are instead of turning NUL.
  EXPECT_EQ(ScramblePassword("\x97\xe4\x6a\x47"), "\x97\xe4\x6a\x47");
  EXPECT_EQ(ScramblePassword("\x97x"), "\x97\x9c");
}

TEST(ScramblePassword, KeepsLengthHasNoNulAndUndoesItself) {
  std::string every;
  for (int c = 1; c < 256; ++c) every += static_cast<char>(c);
  for (const std::string& text : {std::string("Pa55 word!"), every.substr(0, 254), every.substr(100)}) {
    const std::string scrambled = ScramblePassword(text);
    EXPECT_EQ(scrambled.size(), text.size());
    EXPECT_EQ(scrambled.find('\0'), std::string::npos);
    EXPECT_NE(scrambled, text);
    EXPECT_EQ(ScramblePassword(scrambled), text);
  }
  const std::string scrambled = ScramblePassword(std::string(600, 'q'));
  ASSERT_EQ(scrambled.size(), 254u);
  EXPECT_EQ(ScramblePassword(scrambled), std::string(254, 'q'));
}

}  // namespace
}  // namespace vellora
