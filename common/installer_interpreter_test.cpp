#include "common/installer_interpreter.h"

#include <gtest/gtest.h>

#include "testsupport/common/discovery_test_support.h"
#include "common/interpreter_discovery.h"
#include "common/product.h"

namespace vellora {
namespace {

using discoverytest::addMachineKey;

class InstallerSelection : public discoverytest::DiscoveryTest {
 protected:
  bool locationWritten() {
    platform::RegKey key;
    std::string value;
    return key.open(platform::HKLM, kProductKey, platform::kRegRead) == platform::kRegOk &&
           key.queryString(kInterpreterLocationValue, &value) == platform::kRegOk;
  }
};

TEST_F(InstallerSelection, NeverOffersTheOwnGhostscript) {
  if (!installOwnGhostscript()) GTEST_SKIP() << discoverytest::kSharedSystemFolder;
  EXPECT_EQ(InstallerSelectInterpreter(), 1);
  EXPECT_FALSE(locationWritten());
  EXPECT_TRUE(messages().empty());
}

TEST_F(InstallerSelection, AdmitsOnlyDistillerFiveAndSix) {
  addMachineKey("SOFTWARE\\Adobe\\Acrobat Distiller\\7.0");
  EXPECT_EQ(InstallerSelectInterpreter(), 1);
  EXPECT_FALSE(locationWritten());

  addMachineKey("SOFTWARE\\Adobe\\Acrobat Distiller\\5.0");
  addMachineKey("SOFTWARE\\Adobe\\Acrobat Distiller\\6.0");
  EXPECT_EQ(InstallerSelectInterpreter(), 0);
  EXPECT_EQ(ReadInterpreterLocation(), "SOFTWARE\\Adobe\\Acrobat Distiller\\6.0");
}

TEST_F(InstallerSelection, DropsAGhostscriptWhoseProgramIsMissing) {
  registerGhostscript("SOFTWARE\\GNU Ghostscript", "9.10", false);
  registerGhostscript("SOFTWARE\\AFPL Ghostscript", "8.14", true);
  addMachineKey("SOFTWARE\\Norvale\\GPL Ghostscript\\10.00");  // no GS_EXE at all
  EXPECT_EQ(InstallerSelectInterpreter(), 0);
  EXPECT_EQ(ReadInterpreterLocation(), "SOFTWARE\\AFPL Ghostscript\\8.14");
  EXPECT_TRUE(messages().empty());
}

TEST_F(InstallerSelection, WithNothingFoundItWritesNeitherNoneText) {
  registerGhostscript("SOFTWARE\\GNU Ghostscript", "9.10", false);
  addMachineKey("SOFTWARE\\GPL Ghostscript\\9.50");
  addMachineKey("SOFTWARE\\GPStill");
  EXPECT_EQ(InstallerSelectInterpreter(), 1);
  EXPECT_FALSE(locationWritten());
  EXPECT_TRUE(messages().empty());

  // An earlier choice stays as it was.
  StoreInterpreterLocation(kTextNone);
  EXPECT_EQ(InstallerSelectInterpreter(), 1);
  EXPECT_EQ(ReadInterpreterLocation(), kTextNone);
}

}  // namespace
}  // namespace vellora
