// The help text goes into a buffer of the file manager's process: it must
// end inside the buffer whatever the text's length, in both widths.
#include "shellext/context_menu/menu_extension.h"

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace vellora {
namespace {

constexpr char kGuard = '#';
constexpr std::uint16_t kWideGuard = 0xBEEF;
const std::string kText = "Convert it";  // 10 characters

// The text a buffer of `size` characters got, and whether everything past
// the buffer stayed untouched.
struct Copied {
  std::string text;
  bool guardsIntact;
};

// Terminated inside the buffer and nothing written past it.
Copied narrow(unsigned size) {
  std::vector<char> buffer(size + 4, kGuard);
  copyCommandText(kText, platform::kGcsHelpTextA, buffer.data(), size);
  bool intact = true;
  for (std::size_t i = size; i < buffer.size(); ++i) intact = intact && buffer[i] == kGuard;
  std::size_t end = 0;
  while (end < size && buffer[end] != '\0') ++end;
  return {std::string(buffer.data(), end), intact && end < size};
}

Copied wide(unsigned size) {
  std::vector<std::uint16_t> buffer(size + 4, kWideGuard);
  copyCommandText(kText, platform::kGcsHelpTextW, buffer.data(), size);
  bool intact = true;
  for (std::size_t i = size; i < buffer.size(); ++i) intact = intact && buffer[i] == kWideGuard;
  std::string text;
  std::size_t i = 0;
  for (; i < size && buffer[i] != 0; ++i) text.push_back(static_cast<char>(buffer[i]));
  return {text, intact && i < size};
}

TEST(CopyCommandText, EndsInsideTheBufferAtEveryLengthAroundTheTexts) {
  struct Case {
    unsigned size;
    const char* expected;
  } cases[] = {
      {9, "Convert "},     // one less than the text: cut, terminated
      {10, "Convert i"},   // exactly the text's length: no room for the terminator
      {11, "Convert it"},  // the text and its terminator
      {12, "Convert it"},
      {1, ""},
  };
  for (const Case& c : cases) {
    Copied a = narrow(c.size);
    EXPECT_EQ(a.text, c.expected) << "ANSI, size " << c.size;
    EXPECT_TRUE(a.guardsIntact) << "ANSI, size " << c.size;
    Copied w = wide(c.size);
    EXPECT_EQ(w.text, c.expected) << "UTF-16, size " << c.size;
    EXPECT_TRUE(w.guardsIntact) << "UTF-16, size " << c.size;
  }
}

TEST(CopyCommandText, NoBufferOrNoRoomWritesNothing) {
  copyCommandText(kText, platform::kGcsHelpTextA, nullptr, 10);
  char one = kGuard;
  copyCommandText(kText, platform::kGcsHelpTextA, &one, 0);
  EXPECT_EQ(one, kGuard);
  // Bytes above 127 widen to their own code points, never sign-extended.
  std::uint16_t buffer[3] = {kWideGuard, kWideGuard, kWideGuard};
  copyCommandText("\xe9", platform::kGcsHelpTextW, buffer, 3);
  EXPECT_EQ(buffer[0], 0xE9);
  EXPECT_EQ(buffer[1], 0);
  EXPECT_EQ(buffer[2], kWideGuard);
}

}  // namespace
}  // namespace vellora
