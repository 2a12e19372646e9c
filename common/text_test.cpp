#include "common/text.h"

#include <gtest/gtest.h>

namespace vellora {
namespace {

TEST(Bounded, CutsWhatDoesNotFitOnAssignAndAppend) {
  Bounded<5> text("abcdefg");
  EXPECT_EQ(text.str(), "abcd");
  text = "xy";
  text.append("12345");
  EXPECT_EQ(text.str(), "xy12");
  text.append("more");
  EXPECT_EQ(text.str(), "xy12");
  Bounded<1> none("anything");
  EXPECT_TRUE(none.empty());
}

TEST(Format, LongResultsAreWholeAndCutOnlyWhenAsked) {
  std::string long_text(2000, 'a');
  EXPECT_EQ(format("%s-%d", long_text.c_str(), 7), long_text + "-7");
  EXPECT_EQ(formatCut(6, "%s %d", "abc", 1234), "abc 1");
  EXPECT_EQ(cut("abc", 4), "abc");
  EXPECT_EQ(cut("abcd", 4), "abc");
  EXPECT_EQ(cut("abcd", 0), "");
}

TEST(LetterCase, ComparisonsIgnoreAsciiCaseOnly) {
  EXPECT_TRUE(equalsIgnoreCase("VeLLoRa", "vellora"));
  EXPECT_FALSE(equalsIgnoreCase("vellora", "vellora "));
  EXPECT_TRUE(endsWithIgnoreCase("Report.PDF", ".pdf"));
  EXPECT_FALSE(endsWithIgnoreCase("df", ".pdf"));
  EXPECT_TRUE(startsWithIgnoreCase("LockProfiles", "lock"));
  EXPECT_TRUE(containsIgnoreCase("None Found (Write Postscript Files)", "none found"));
  EXPECT_FALSE(contains("Acrobat", "acrobat"));
}

TEST(Numbers, LeadingNumbersReadLikeTheCLibrary) {
  EXPECT_EQ(leadingInt("9993"), 9993);
  EXPECT_EQ(leadingInt(" 12abc"), 12);
  EXPECT_EQ(leadingInt("abc"), 0);
  EXPECT_DOUBLE_EQ(leadingNumber("7.06"), 7.06);
  EXPECT_DOUBLE_EQ(leadingNumber("10.00 beta"), 10.0);
  EXPECT_DOUBLE_EQ(leadingNumber("v8"), 0.0);
}

TEST(ProgramOutput, CrLfPairsBecomeNewlinesAndLoneCarriageReturnsStay) {
  EXPECT_EQ("a\nb\n", withNewlines("a\r\nb\r\n"));
  EXPECT_EQ("progress\r50%\n\r", withNewlines("progress\r50%\r\n\r"));
  EXPECT_EQ("keep\n\n", withNewlines("keep\n\r\n"));
}

}  // namespace
}  // namespace vellora
