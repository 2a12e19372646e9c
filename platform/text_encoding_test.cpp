#include "platform/text_encoding.h"

#include <gtest/gtest.h>

namespace {

TEST(TextEncoding, Windows1252BytesBecomeTheSystemsText) {
  // "Résumé", "€ 5", and a quotation in the code page's curly quotes.
  EXPECT_EQ(platform::windows1252ToUtf8("R\xe9sum\xe9"), "R\xc3\xa9sum\xc3\xa9");
  EXPECT_EQ(platform::windows1252ToUtf8("\x80 5 \x93q\x94"),
            "\xe2\x82\xac 5 \xe2\x80\x9cq\xe2\x80\x9d");
  EXPECT_EQ(platform::utf8ToWindows1252("R\xc3\xa9sum\xc3\xa9 \xe2\x82\xac \xe4\xb8\xad"),
            "R\xe9sum\xe9 \x80 ?");
  if (platform::kTextIsUtf8) {
    EXPECT_EQ(platform::textFromAnsi("R\xe9sum\xe9"), "R\xc3\xa9sum\xc3\xa9");
    // Text that already is UTF-8 is not read twice.
    EXPECT_EQ(platform::textFromAnsi("R\xc3\xa9sum\xc3\xa9"), "R\xc3\xa9sum\xc3\xa9");
  } else {
    EXPECT_EQ(platform::textFromAnsi("R\xe9sum\xe9"), "R\xe9sum\xe9");
  }
}

TEST(TextEncoding, ValidUtf8AndCharacterBoundaries) {
  EXPECT_TRUE(platform::isValidUtf8("plain"));
  EXPECT_TRUE(platform::isValidUtf8("\xf0\x9f\x93\x84"));
  EXPECT_FALSE(platform::isValidUtf8("\xc0\xaf"));          // overlong "/"
  EXPECT_FALSE(platform::isValidUtf8("\xed\xa0\x80"));      // a surrogate
  EXPECT_FALSE(platform::isValidUtf8("\xc3"));              // cut short
  const std::string text = "ab\xc3\xa9";
  EXPECT_EQ(platform::textCutPoint(text, 10), 4u);
  EXPECT_EQ(platform::textCutPoint(text, 4), 4u);
  EXPECT_EQ(platform::textCutPoint(text, 3), platform::kTextIsUtf8 ? 2u : 3u);
}

}  // namespace
