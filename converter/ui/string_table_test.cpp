#include "converter/ui/string_table.h"

#include <gtest/gtest.h>

namespace vellora {
namespace {

TEST(StringTable, TextsAreTheProductsOwnAndMissingIdsAreEmpty) {
  EXPECT_EQ(stringTableText(kStrProductName), "Vellora");
  EXPECT_EQ(stringTableText(kStrNoneFound), "None Found (Write Postscript Files)");
  // The texts keep their spelling: support documents quote them.
  EXPECT_EQ(stringTableText(kStrEncryptedOriginal).substr(0, 30), "Sorry, the orignal file was an");
  std::string modify = stringTableText(kStrModifyFailed);
  EXPECT_EQ(modify.substr(0, modify.find('\n')),
            "Sorry, an error occured while modifying the PDF file.");
  EXPECT_NE(modify.find(kSupportAddress), std::string::npos);
  EXPECT_NE(stringTableText(kStrCrashLogged).find(kSupportAddress), std::string::npos);
  // The two entries the product never had get texts of ours.
  EXPECT_FALSE(stringTableText(kStrViewerNotStarted).empty());
  EXPECT_FALSE(stringTableText(kStrCannotCreatePostScript).empty());
  EXPECT_EQ(stringTableText(3), "");
  EXPECT_EQ(stringTableText(-1), "");
}

}  // namespace
}  // namespace vellora
