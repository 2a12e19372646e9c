// The installer's own pieces: the install log's capacity, the platform
// codes and the driver-file table of each platform.
#include <gtest/gtest.h>

#include "installer/driver_install.h"
#include "installer/full_install.h"
#include "installer/install_log.h"
#include "installer/installer_state.h"
#include "installer/platform_identity.h"
#include "installer/printer_add.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "testsupport/fresh_machine.h"

namespace vellora {
namespace {

class InstallerParts : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override { ResetInstaller(); }
  void TearDown() override { platform::setOsVersionForTesting(nullptr); }

  void runOn(platform::OsPlatform family, int major) {
    platform::OsVersion version;
    version.platform = family;
    version.major = major;
    platform::setOsVersionForTesting(&version);
  }
};

TEST_F(InstallerParts, TheLogIsCutAtItsCapacityAndWrittenAsItStands) {
  for (int line = 0; line < 2000; ++line) LogInstall("%sAttempting to install virtual printer alias: %d\n", line);
  // The log is a buffer of 9,999 characters: 9,998 of text and its end.
  const std::string& log = Installer().installLog.str();
  EXPECT_EQ(9998u, log.size());
  EXPECT_EQ(0u, log.find("Attempting to install virtual printer alias: 0\nAttempting"));
  // A line longer than the whole log is cut too.
  ResetInstaller();
  LogInstall("%sTemp Path: %s\n", std::string(20000, 't').c_str());
  EXPECT_EQ(9998u, Installer().installLog.size());

  Installer().windowsDir = machine.path("Windows");
  ASSERT_TRUE(platform::createDirectories(machine.path("Windows")));
  ASSERT_TRUE(WriteInstallLog());
  EXPECT_EQ(Installer().installLog.str(), testsupport::readFile(machine.path("Windows/vlinst.log")));
  Installer().windowsDir = machine.path("missing");
  EXPECT_FALSE(WriteInstallLog());
}

TEST_F(InstallerParts, OsCodesAndEnvironments) {
  runOn(platform::kWin32Windows, 4);
  EXPECT_EQ(1, ComputeOsCode());
  runOn(platform::kWin32Nt, 4);
  EXPECT_EQ(2, ComputeOsCode());
  runOn(platform::kWin32Nt, 5);
  EXPECT_EQ(3, ComputeOsCode());
  runOn(platform::kWin32Nt, 6);
  EXPECT_EQ(4, ComputeOsCode());

  Installer().osCode = 1;
  DetectPlatform(true);
  EXPECT_EQ("Windows 4.0", Installer().platformEnvironment);
  Installer().osCode = 4;
  DetectPlatform(true);
  // POSIX has no 64-bit variants: the 32-bit environment.
  EXPECT_FALSE(Installer().onWow64);
  EXPECT_EQ("Windows NT x86", Installer().platformEnvironment);
}

TEST_F(InstallerParts, TheDriverFilesOfEachPlatform) {
  InstallerState& installer = Installer();
  installer.sourceDir = "/files";
  installer.osCode = 1;
  installer.platformEnvironment = "Windows 4.0";
  platform::DriverRecord nine = DriverFor("D/");
  EXPECT_EQ("D/PSCRIPT.DRV", nine.driverPath);
  EXPECT_EQ("D/PSCRIPT.DRV", nine.configFile);
  EXPECT_EQ("D/VELLORA.SPD", nine.dataFile);
  EXPECT_EQ("D/PSCRIPT.HLP", nine.helpFile);
  EXPECT_EQ((std::vector<std::string>{"D/fonts.mfm", "D/PSCRIPT.DRV", "D/VELLORA.SPD", "D/iconlib.dll"}),
            nine.dependentFiles);
  EXPECT_EQ(0u, nine.version);
  EXPECT_EQ("Windows 4.0", nine.environment);
  EXPECT_EQ("/files/1/", VersionFolder());

  installer.osCode = 2;
  platform::DriverRecord nt4 = DriverFor("D/");
  EXPECT_EQ("D/PSCRIPT4.DLL", nt4.driverPath);
  EXPECT_EQ("D/PS4UI.DLL", nt4.configFile);
  EXPECT_EQ("D/VELLORA.PPD", nt4.dataFile);
  EXPECT_EQ("D/PSCRPTFE.NTF", nt4.dependentFiles.front());
  EXPECT_EQ(2u, nt4.version);

  installer.osCode = 4;
  platform::DriverRecord current = DriverFor("D/");
  EXPECT_EQ("D/PSCRIPT5V.DLL", current.driverPath);
  EXPECT_EQ("D/PS5UIV.DLL", current.configFile);
  EXPECT_EQ("D/VELLORA.PPD", current.dataFile);
  EXPECT_EQ("D/PSCRIPT.NTF", current.dependentFiles.front());
  EXPECT_EQ(3u, current.version);
  EXPECT_EQ("", current.environment) << "the local environment";
  EXPECT_EQ("RAW", current.defaultDataType);
  installer.onWow64 = true;
  installer.platformEnvironment = "Windows x64";
  EXPECT_EQ("Windows x64", DriverFor("D/").environment);
  EXPECT_EQ("/files/4_64/", VersionFolder());

  platform::PrinterRecord printer = ProductPrinter();
  EXPECT_EQ("Vellora", printer.printerName);
  EXPECT_EQ("VLM:", printer.portName);
  EXPECT_EQ("Vellora", printer.driverName);
  EXPECT_EQ("WinPrint", printer.printProcessor);
  EXPECT_EQ("RAW", printer.dataType);
  EXPECT_EQ(1u, printer.attributes);
  EXPECT_EQ(1u, printer.priority);
}

TEST_F(InstallerParts, ThePrinterModeFollowsTheDefaultUsersMeasurementSystem) {
  EXPECT_EQ("vlmodeA.reg", PrinterModeFile()) << "unknown: metric";
  platform::RegKey key;
  ASSERT_EQ(platform::kRegOk, key.create(platform::HKU, ".DEFAULT\\Control Panel\\International"));
  ASSERT_EQ(platform::kRegOk, key.setString("iMeasure", "1"));
  EXPECT_EQ("vlmode.reg", PrinterModeFile());
  ASSERT_EQ(platform::kRegOk, key.setString("iMeasure", "0"));
  EXPECT_EQ("vlmodeA.reg", PrinterModeFile());
}

// The spooler's answers come from the test: a real one is not unreachable
// on the first attempt and failing otherwise on the second on cue. (Two
// unreachable attempts are the full install's test.)
TEST_F(InstallerParts, APrinterIsAddedOnlyWhenTheSpoolerSaysItIsThere) {
  // Nothing to start between the attempts: no server of the system's.
  machine.setEnv("CUPS_SERVER", machine.path("no-server.sock"));
  platform::PrinterRecord printer = ProductPrinter();
  struct Case {
    std::vector<int> answers;
    bool added;
    std::string log;
  };
  const std::string unavailable = "Error installing print driver [1722]: The RPC server is unavailable.\n\n";
  const std::vector<Case> cases = {
      {{0}, true, ""},
      {{1802}, true, "Error installing print driver [1802]: The printer already exists.\n\n"},
      {{1801}, false, "Error installing print driver [1801]: The printer name is invalid.\n\n"},
      {{1722, 1797}, false, unavailable + "Error installing print driver [1797]: The printer driver is unknown.\n\n"},
      {{1722, 183}, true, unavailable},
  };
  for (const Case& c : cases) {
    ResetInstaller();
    std::size_t asked = 0;
    bool added = AddPrinterWithRetry(printer, [&](const platform::PrinterRecord& record) {
      EXPECT_EQ("Vellora", record.printerName);
      return asked < c.answers.size() ? c.answers[asked++] : -1;
    });
    EXPECT_EQ(c.added, added) << c.answers.front() << " " << c.answers.back();
    EXPECT_EQ(c.answers.size(), asked);
    EXPECT_EQ(c.log, Installer().installLog.str());
    EXPECT_TRUE(Installer().spoolerReachable);
  }
}

}  // namespace
}  // namespace vellora
