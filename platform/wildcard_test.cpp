#include "platform/wildcard.h"

#include <string>

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(Wildcard, StarsAndQuestionMarks) {
  EXPECT_TRUE(wildcardMatch("*", ""));
  EXPECT_TRUE(wildcardMatch("*", "anything.pdf"));
  EXPECT_TRUE(wildcardMatch("*.pdf", ".pdf"));
  EXPECT_TRUE(wildcardMatch("a*b*c", "abc"));
  EXPECT_TRUE(wildcardMatch("a*b*c", "axxbyybzzc"));
  EXPECT_FALSE(wildcardMatch("a*b*c", "axxbyybzzcd"));
  EXPECT_TRUE(wildcardMatch("**x**", "x"));
  EXPECT_TRUE(wildcardMatch("?.pdf", "a.pdf"));
  EXPECT_FALSE(wildcardMatch("?.pdf", ".pdf"));
  EXPECT_FALSE(wildcardMatch("?.pdf", "ab.pdf"));
  EXPECT_TRUE(wildcardMatch("*?", "z"));
  EXPECT_FALSE(wildcardMatch("*?", ""));
  // The last star must give back what it took when the rest fails later.
  EXPECT_TRUE(wildcardMatch("*ab", "aab"));
  EXPECT_TRUE(wildcardMatch("*.pdf", "a.pdf.pdf"));
  EXPECT_FALSE(wildcardMatch("*.pdf", "a.pdf.ps"));
  EXPECT_FALSE(wildcardMatch("*.pdf", "a.pdfx"));
}

TEST(Wildcard, LettersMatchEitherCaseAndNothingElseIsFolded) {
  EXPECT_TRUE(wildcardMatch("*.JOBOPTIONS", "Screen.joboptions"));
  EXPECT_TRUE(wildcardMatch("readme", "README"));
  EXPECT_FALSE(wildcardMatch("[", "{"));  // differ by the case bit, but are no letters
  EXPECT_FALSE(wildcardMatch("\xC3\xA9", "\xC3\x89"));  // é and É are other bytes
}

TEST(Wildcard, EmptyPatternsAndNames) {
  EXPECT_TRUE(wildcardMatch("", ""));
  EXPECT_FALSE(wildcardMatch("", "a"));
  EXPECT_FALSE(wildcardMatch("a", ""));
  EXPECT_FALSE(wildcardMatch("?", ""));
  EXPECT_FALSE(fileNameMatches("", "a"));
}

TEST(Wildcard, ANameIsMatchedWholeEvenWithNulBytesInIt) {
  // Both ends count: neither a pattern nor a name stops at an embedded NUL.
  EXPECT_FALSE(wildcardMatch(std::string("a\0b", 3), "a"));
  EXPECT_FALSE(wildcardMatch("a", std::string("a\0b", 3)));
}

TEST(Wildcard, ListingRulesForNamesWithoutADot) {
  EXPECT_TRUE(fileNameMatches("*.*", "README"));
  EXPECT_TRUE(fileNameMatches("*.*", "a.pdf"));
  EXPECT_TRUE(fileNameMatches("report.*", "report"));
  EXPECT_TRUE(fileNameMatches("report.*", "report.pdf"));
  EXPECT_FALSE(fileNameMatches("report.*", "reporting"));
  EXPECT_TRUE(fileNameMatches("*.", "README"));
  EXPECT_FALSE(fileNameMatches("*.", "a.pdf"));
  EXPECT_TRUE(fileNameMatches("read?e.", "readme"));
  EXPECT_FALSE(fileNameMatches("*.pdf", "pdf"));
}

}  // namespace
}  // namespace platform
