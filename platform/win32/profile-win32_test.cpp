#include <string>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/profile.h"
#include "testsupport/win32/test_folder.h"

namespace platform {
namespace {

class Win32ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.ok());
    file_ = folder_.file("Vellora.opt");
    ASSERT_TRUE(writeTextFile(file_,
                              "[CommandOptions]\n"
                              "AutoNamePrefix =  \"quoted value\"  \n"
                              "Empty=\n"
                              "Negative=-12abc\n"
                              "Plain=7\n"));
  }

  win32test::ScratchFolder folder_;
  std::string file_;
};

TEST_F(Win32ProfileTest, ValuesAreTrimmedUnquotedAndCut) {
  EXPECT_EQ("quoted value", profileString(file_, "commandoptions", "autonameprefix", "d", 100));
  EXPECT_EQ("quot", profileString(file_, "CommandOptions", "AutoNamePrefix", "d", 5));
  EXPECT_EQ("", profileString(file_, "CommandOptions", "Empty", "d", 100));
}

TEST_F(Win32ProfileTest, MissingKeysGiveTheDefaultAsGiven) {
  EXPECT_EQ("def  ", profileString(file_, "CommandOptions", "Missing", "def  ", 100));
  EXPECT_EQ("de", profileString(file_, "CommandOptions", "Missing", "default", 3));
  EXPECT_EQ("x", profileString(folder_.file("none.opt"), "CommandOptions", "Plain", "x", 10));
  EXPECT_TRUE(profileKeyExists(file_, "CommandOptions", "Empty"));
  EXPECT_FALSE(profileKeyExists(file_, "CommandOptions", "Missing"));
  EXPECT_FALSE(profileKeyExists(file_, "Other", "Plain"));
}

TEST_F(Win32ProfileTest, IntegersKeepTheirSign) {
  EXPECT_EQ(-12, profileInt(file_, "CommandOptions", "Negative", 5));
  EXPECT_EQ(7, profileInt(file_, "CommandOptions", "Plain", 5));
  EXPECT_EQ(0, profileInt(file_, "CommandOptions", "AutoNamePrefix", 5));
  EXPECT_EQ(5, profileInt(file_, "CommandOptions", "Missing", 5));
}

}  // namespace
}  // namespace platform
