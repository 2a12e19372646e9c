// The lock chain for a user without administrator rights. Read-only keys come
// from the POSIX store's own protection here; Windows has ACLs instead.
#include "converter/settings/locked_values.h"

#include <string>

#include <gtest/gtest.h>

#include "testsupport/converter/settings_test_values.h"
#include "testsupport/fresh_machine.h"

#if !defined(_WIN32)
#include "platform/posix/registry_store.h"

namespace vellora {
namespace {

using platform::HKCU;
using platform::HKLM;
using testvalues::put;

class OrdinaryUser : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    put(HKCU, kUserKey, "PDFTitle", "Mine");
    put(HKCU, kUserKey, "PDFSubject", "My subject");
    put(HKCU, kUserKey, "PDFLevel", 1u);
  }
  // Makes a key read-only and drops the administrator rights.
  void protect(platform::RegRoot root, const std::string& path) {
    ASSERT_EQ(platform::posix::setKeyProtected(root, path, true), platform::kRegOk);
    machine.setEnv("VELLORA_USER_RIGHTS", "user");
    platform::resetPlatformRegistry();
  }
  std::string text(const PrinterKeys& printer, const std::string& name) {
    LockedText read = ReadLockedText(printer, name);
    return read.text + "@" + std::to_string(read.lockLevel);
  }
  std::string number(const PrinterKeys& printer, const std::string& name) {
    LockedNumber read = ReadLockedNumber(printer, name);
    return std::to_string(read.value) + "@" + std::to_string(read.lockLevel);
  }
  PrinterKeys keys = SelectPrinterKeys("Vellora");
};

TEST_F(OrdinaryUser, GetsTheTextsOfAMachineKeyTheyCannotWriteLocked) {
  put(HKLM, kDefaultSettingsKey, "PDFAuthor", "Corp");
  put(HKLM, kDefaultSettingsKey, "lk_PDFSubject", 0u);
  put(HKLM, kDefaultSettingsKey, "PDFLevel", 2u);
  protect(HKLM, kDefaultSettingsKey);

  EXPECT_EQ(text(keys, "PDFTitle"), "@1");  // empty and locked
  EXPECT_EQ(text(keys, "PDFAuthor"), "Corp@1");
  EXPECT_EQ(text(keys, "PDFSubject"), "My subject@0");  // the key's own lock frees it
  EXPECT_EQ(number(keys, "PDFLevel"), "1@0");           // numbers only read the key
}

TEST_F(OrdinaryUser, AMachineKeyThatCannotBeCreatedIsSkipped) {
  put(HKLM, kMachineKey, "AppPath", "/opt/vellora");
  protect(HKLM, kMachineKey);
  PrinterKeys office = SelectPrinterKeys("Office");
  EXPECT_EQ(text(office, "PDFTitle"), "Mine@0");
  EXPECT_EQ(number(office, "PDFLevel"), "1@0");
  EXPECT_FALSE(testvalues::keyExists(HKLM, office.settingsKey.str()));
}

TEST_F(OrdinaryUser, AReadOnlyUserKey) {
  protect(HKCU, kUserKey);
  EXPECT_EQ(number(keys, "PDFLevel"), "0@0");   // numbers give up on it
  EXPECT_EQ(text(keys, "PDFTitle"), "Mine@1");  // texts read it, locked
}

}  // namespace
}  // namespace vellora
#endif
