#include "common/form_encode.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>

namespace vellora {
namespace {

// Encodes into a buffer of capacity + 1 cleared bytes followed by guard
// bytes that must stay untouched.
struct Encoded {
  int result;
  std::string text;
  bool guardIntact;
};

Encoded encode(const std::string& source, std::size_t sourceLength, std::size_t capacity) {
  const std::size_t kGuard = 16;
  std::string buffer(capacity + 1 + kGuard, '\0');
  for (std::size_t i = capacity; i < buffer.size(); ++i) buffer[i] = '\x5a';
  buffer[capacity] = '\0';  // the caller's extra byte for the terminator
  int result = FormEncode(source.c_str(), sourceLength, &buffer[0], capacity);
  bool intact = buffer[capacity] == '\0';
  for (std::size_t i = capacity + 1; i < buffer.size(); ++i) intact = intact && buffer[i] == '\x5a';
  return {result, std::string(buffer.c_str()), intact};
}

int hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// What a form decoder makes of a text: every "%" with two hexadecimal digits
// is the byte they give, everything else stands for itself.
std::string decoded(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
      out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

TEST(FormEncode, EscapesEverythingButLettersDigitsDotSlashAndUnderscore) {
  Encoded e = encode("a b-c%41%zz", 0, 100);
  EXPECT_EQ(e.result, 17);
  EXPECT_EQ(e.text, "a%20b%2dc%41%25zz");
  EXPECT_EQ(encode("Az09./_", 0, 100).text, "Az09./_");
  EXPECT_EQ(encode("#\r\n", 0, 100).text, "%23%0d%0a");
  EXPECT_EQ(encode("\x80\xe9\xff", 0, 100).text, "%80%e9%ff");
  // An escape made before is written again in lower case; a "%" without two
  // digits after it, also at the very end, is the byte itself.
  EXPECT_EQ(encode("%4a%4", 0, 100).text, "%4a%254");
  EXPECT_EQ(encode("%", 0, 100).text, "%25");
  EXPECT_EQ(encode("100%", 0, 100).text, "100%25");
}

TEST(FormEncode, SourceLengthLimitsWhatIsRead) {
  EXPECT_EQ(encode("abcdef", 3, 100).text, "abc");
  // The two digits of an escape must lie within the length.
  EXPECT_EQ(encode("x%41", 3, 100).text, "x%254");
  EXPECT_EQ(encode("ab", 5, 100).text, "ab") << "reading stops at the terminating zero";
  Encoded empty = encode("", 0, 10);
  EXPECT_EQ(empty.result, 0);
  EXPECT_EQ(empty.text, "");
}

TEST(FormEncode, RefusesMissingBuffersAndLengthsBeyondTheCapacity) {
  char out[8] = {};
  EXPECT_EQ(FormEncode(nullptr, 0, out, 7), -1);
  EXPECT_EQ(FormEncode("a", 0, nullptr, 7), -1);
  EXPECT_EQ(FormEncode("abcdefgh", 8, out, 7), -1);
  EXPECT_EQ(out[0], '\0') << "nothing written";
}

TEST(FormEncode, AFieldThatDoesNotFitIsCutBeforeTheCapacityAndNeverMidEscape) {
  // Three characters per "#": 4,666 escapes fit in 14,000, the next would not.
  std::string log(5000, '#');
  Encoded e = encode(log, 0, 14000);
  EXPECT_EQ(e.result, -1);
  EXPECT_EQ(e.text.size(), 13998u);
  EXPECT_EQ(e.text.substr(e.text.size() - 3), "%23");
  EXPECT_TRUE(e.guardIntact);
  // Plain characters fill the capacity to the last byte; the caller's extra
  // byte keeps the field terminated.
  Encoded full = encode(std::string(20, 'a'), 0, 12);
  EXPECT_EQ(full.result, -1);
  EXPECT_EQ(full.text, std::string(12, 'a'));
  EXPECT_TRUE(full.guardIntact);
  // Exactly fitting needs room for the terminator too.
  EXPECT_EQ(encode("abc", 0, 3).result, -1);
  EXPECT_EQ(encode("abc", 0, 4).result, 3);
}

TEST(FormEncode, RandomInputsStayInsideTheBufferAndDecodeToTheirMeaning) {
  std::mt19937 random(20240527u);
  const char interesting[] = "%%aF9._/ #&=+\r\n\x80\xff";
  for (int round = 0; round < 20000; ++round) {
    std::size_t length = random() % 40;
    std::string source;
    for (std::size_t i = 0; i < length; ++i) {
      unsigned pick = random() % 4;
      char c = pick == 0 ? static_cast<char>(random() % 255 + 1)
                         : interesting[random() % (sizeof interesting - 1)];
      source += c;
    }
    std::size_t capacity = random() % 80;
    std::size_t sourceLength = random() % 3 == 0 ? random() % (length + 2) : 0;
    Encoded e = encode(source, sourceLength, capacity);
    ASSERT_TRUE(e.guardIntact) << "round " << round;
    ASSERT_LE(e.text.size(), capacity);
    if (sourceLength > capacity) {
      ASSERT_EQ(e.result, -1);
      continue;
    }
    std::string read = source.substr(0, sourceLength == 0 ? source.size() : sourceLength);
    for (char c : e.text)
      ASSERT_TRUE(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '/' || c == '_' ||
                  c == '%')
          << "round " << round;
    if (e.result >= 0) {
      ASSERT_EQ(static_cast<std::size_t>(e.result), e.text.size());
      ASSERT_EQ(decoded(e.text), decoded(read)) << "round " << round;
    } else {
      // A cut field is the start of the whole encoding.
      std::string whole = encode(source, sourceLength, 4 * 40 + 1).text;
      ASSERT_EQ(whole.compare(0, e.text.size(), e.text), 0) << "round " << round;
    }
  }
}

}  // namespace
}  // namespace vellora
