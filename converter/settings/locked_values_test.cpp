#include "converter/settings/locked_values.h"

#include <string>

#include <gtest/gtest.h>

#include "testsupport/converter/settings_test_values.h"
#include "testsupport/fresh_machine.h"

namespace vellora {
namespace {

using platform::HKCU;
using platform::HKLM;
using testvalues::put;
using testvalues::putRaw;

class LockChain : public testsupport::FreshMachineTest {
 protected:
  PrinterKeys keys = SelectPrinterKeys("Vellora");
  std::string machineSettings = kDefaultSettingsKey;
  std::string number(const std::string& name) {
    LockedNumber read = ReadLockedNumber(keys, name);
    return std::to_string(read.value) + "@" + std::to_string(read.lockLevel);
  }
  std::string text(const std::string& name) {
    LockedText read = ReadLockedText(keys, name);
    return read.text + "@" + std::to_string(read.lockLevel);
  }
};

TEST(LockValueName, SettingsNamedLockAreTheirOwnLock) {
  EXPECT_EQ(lockValueName("PDFLevel"), "lk_PDFLevel");
  EXPECT_EQ(lockValueName("LockProfileSave"), "LockProfileSave");
  EXPECT_EQ(lockValueName("lockSomething"), "lockSomething");
  EXPECT_EQ(lockValueName("LOCKED"), "lk_LOCKED");
}

TEST_F(LockChain, APolicyLockWinsOverTheUsersValue) {
  put(HKCU, kPolicyKey, "lk_PDFLevel", 1u);
  put(HKCU, kPolicyKey, "PDFLevel", 2u);
  put(HKCU, kUserKey, "PDFLevel", 0u);
  EXPECT_EQ(number("PDFLevel"), "2@1");

  // A lock at a later level returns what that level holds for numbers, and
  // the latest text of any level so far for texts.
  put(HKCU, kPolicyKey, "lk_PDFLevel", 0u);
  put(HKLM, kPolicyKey, "lk_PDFLevel", 2u);
  EXPECT_EQ(number("PDFLevel"), "0@2");
  put(HKCU, kPolicyKey, "PDFTitle", "From policy");
  put(HKLM, kPolicyKey, "lk_PDFTitle", 1u);
  put(HKCU, kUserKey, "PDFTitle", "Mine");
  EXPECT_EQ(text("PDFTitle"), "From policy@1");

  put(HKLM, machineSettings, "lk_ViewZoom", 2u);
  put(HKLM, machineSettings, "ViewZoom", 3u);
  put(HKCU, kUserKey, "ViewZoom", 1u);
  EXPECT_EQ(number("ViewZoom"), "3@2");
}

TEST_F(LockChain, AnUnlockedDefaultServesOnlyAUserWithoutAValue) {
  put(HKLM, machineSettings, "PDFLevel", 2u);
  EXPECT_EQ(number("PDFLevel"), "2@0");
  put(HKCU, kUserKey, "PDFLevel", 1u);
  EXPECT_EQ(number("PDFLevel"), "1@0");

  put(HKCU, kPolicyKey, "AutoEmail", 3u);  // the latest unlocked level wins
  put(HKLM, machineSettings, "AutoEmail", 4u);
  EXPECT_EQ(number("AutoEmail"), "4@0");

  put(HKLM, machineSettings, "PDFAuthor", "Corp");
  EXPECT_EQ(text("PDFAuthor"), "Corp@0");
  put(HKCU, kUserKey, "PDFAuthor", "Me");
  EXPECT_EQ(text("PDFAuthor"), "Me@0");

  // Each printer has its own machine settings.
  put(HKLM, machineSettings + "\\Vellora Office", "StampX", 9u);
  EXPECT_EQ(number("StampX"), "0@0");
  EXPECT_EQ(ReadLockedNumber(SelectPrinterKeys("Vellora Office"), "StampX").value, 9);
}

TEST_F(LockChain, LockSettingsAreTheirOwnLock) {
  put(HKCU, kUserKey, "LockProfileSave", 2u);
  EXPECT_EQ(number("LockProfileSave"), "2@2");
  put(HKCU, kPolicyKey, "lk_LockProfiles", 1u);  // means nothing for them
  EXPECT_EQ(number("LockProfiles"), "0@0");
  put(HKLM, kPolicyKey, "LockProfileDelete", 1u);
  EXPECT_EQ(number("LockProfileDelete"), "1@1");
  put(HKCU, kUserKey, "lk_AutoName", 1u);  // the user's own lock counts too
  EXPECT_EQ(number("AutoName"), "0@1");
}

TEST_F(LockChain, ReadingCreatesTheUserAndMachineKeys) {
  EXPECT_EQ(number("PDFLevel"), "0@0");
  EXPECT_TRUE(testvalues::keyExists(HKCU, kUserKey));
  EXPECT_TRUE(testvalues::keyExists(HKLM, machineSettings));
  EXPECT_FALSE(testvalues::keyExists(HKCU, kPolicyKey));
}

TEST_F(LockChain, OverlongTextsAndWrongTypesCountAsMissing) {
  put(HKLM, machineSettings, "StampText", "machine");
  put(HKCU, kUserKey, "StampText", std::string(780, 'x'));
  EXPECT_EQ(text("StampText"), "machine@0");
  put(HKCU, kUserKey, "StampText", std::string(779, 'x'));
  EXPECT_EQ(text("StampText"), std::string(779, 'x') + "@0");

  put(HKLM, machineSettings, "PDFAuthor", "Corp");
  put(HKCU, kUserKey, "PDFAuthor", 7u);
  EXPECT_EQ(text("PDFAuthor"), "Corp@0");

  // A number stored as a short string reads as its bytes, terminator
  // included, as Windows reads it; one that does not fit is missing.
  put(HKLM, machineSettings, "PDFLevel", 2u);
  put(HKCU, kUserKey, "PDFLevel", "2");
  EXPECT_EQ(number("PDFLevel"), "50@0");
  put(HKCU, kUserKey, "PDFLevel", "abcd");
  EXPECT_EQ(number("PDFLevel"), "2@0");
  putRaw(HKCU, kUserKey, "PDFLevel", platform::kRegBinary, std::string("\x05\x01", 2));
  EXPECT_EQ(number("PDFLevel"), "261@0");
}

}  // namespace
}  // namespace vellora
