// Full installs, reinstalls and removal through the real vlsetup on a CUPS
// server of the test's own.

#include "testsupport/installer/vlsetup_test_support.h"
#include "testsupport/loopback_http_server.h"

namespace vellora {
namespace installertest {
namespace {

const std::string kFiles = INSTALLATION_FILES;
const std::string kHeader =
    "*****************************\n*  Vellora 2.5 Install log  *\n*****************************\n\n";

class FullInstall : public VlsetupTest {
 protected:
  // The log of a full install from the build's installation files up to the
  // printer step, with the lines the middle steps add.
  std::string expectedLog(const std::string& monitorLines, const std::string& printerLines,
                          int extendedCode) const {
    const std::string drivers = driverFolder();
    return kHeader + "Temp Path: " + kFiles + "\n" + "System Directory: " + systemFolder() + "\n" +
           "OS Version: 4\n" + "Monitor Source: " + kFiles + "/vlmon\n" + "Monitor Dest: " + systemFolder() +
           "/vlmon\n" + monitorLines + "Support files path: " + kFiles + "/4/\n" + "Driver Directory: " + drivers +
           "\n" + "Find Directory: " + kFiles + "/4/*\n" + "Driver file [4]: " + drivers + "PSCRIPT5V.DLL\n" +
           "Data file [4]: " + drivers + "VELLORA.PPD\n" + "Help file [4]: " + drivers + "PSCRIPT.HLP\n" +
           "Config file [4]: " + drivers + "PS5UIV.DLL\n" + "Dep files [4]: " + drivers + "PSCRIPT.NTF\n" +
           "Attempting to install virtual printer: Vellora\n" + printerLines +
           "Completed with extended code: " + std::to_string(extendedCode) + "\n";
  }
};

TEST_F(FullInstall, PutsMonitorDriverAndPrinterIntoCupsAndLogsEveryStep) {
  testsupport::RunResult result = vlsetup(kFiles);
  // The host's Ghostscript is there: the interpreter choice stores it (0).
  ASSERT_EQ(0, result.exitCode) << result.output;
  EXPECT_EQ(expectedLog("", "", 0), installLog());

  // The monitor: in the system folder, and as CUPS's backend run as root.
  EXPECT_TRUE(platform::fileExists(systemFolder() + "/vlmon"));
  const std::string backend = cups->backendFolder() + "/vlm";
  EXPECT_EQ(0700, testsupport::posix::permissionBits(backend));
  EXPECT_EQ(0, testsupport::posix::ownerId(backend));
  // The driver: the version folder copied, the driver registered.
  for (const char* file : {"VELLORA.PPD", "vlmode.reg", "vlmodeA.reg"})
    EXPECT_TRUE(platform::fileExists(driverFolder() + file)) << file;
  std::vector<std::string> drivers;
  ASSERT_EQ(0, platform::enumPrinterDrivers("", &drivers));
  EXPECT_EQ(std::vector<std::string>{"Vellora"}, drivers);
  // The printer: the queue "Vellora" on the monitor's port.
  std::vector<platform::PrinterRecord> printers;
  ASSERT_EQ(0, platform::enumPrinters(&printers));
  ASSERT_EQ(1u, printers.size());
  EXPECT_EQ("Vellora", printers[0].printerName);
  EXPECT_EQ("VLM:", printers[0].portName);
  EXPECT_EQ("Vellora", printers[0].driverName);
  EXPECT_EQ(0u, printers[0].attributes & platform::kPrinterAttributeShared);
  testsupport::RunResult uri = testsupport::run({"lpstat", "-v", "Vellora"});
  EXPECT_NE(std::string::npos, uri.output.find("vlm:/")) << uri.output;

  // No measurement system known: the metric printer mode, A4, which the
  // restarted spooler gave the queue.
  EXPECT_EQ("PageSize=A4", printers[0].deviceMode);
  EXPECT_EQ("iso_a4_210x297mm", cups->queueAttribute("Vellora", "media-default"));
  // The interpreter choice stored the registered Ghostscript.
  platform::RegKey key;
  std::string location;
  ASSERT_EQ(platform::kRegOk, key.open(platform::HKLM, kProductKey, platform::kRegRead));
  key.queryString("InterpreterLocation", &location);
  EXPECT_NE(std::string::npos, location.find("Ghostscript")) << location;
}

TEST_F(FullInstall, AgainOverAnInstalledPrinterSucceedsAndRemoveLeavesTheAliases) {
  SKIP_LONG_SCENARIO_WHEN_SANITIZED();
  // U.S. measures: the Letter printer mode.
  platform::RegKey international;
  ASSERT_EQ(platform::kRegOk, international.create(platform::HKU, ".DEFAULT\\Control Panel\\International"));
  ASSERT_EQ(platform::kRegOk, international.setString("iMeasure", "1"));
  ASSERT_EQ(0, vlsetup(kFiles).exitCode);
  ASSERT_EQ(0, vlsetup("aa:Invoices").exitCode);
  // What an older version left in the driver folder gives way to this one's.
  testsupport::writeFile(driverFolder() + "VELLORA.PPD", "*PPD-Adobe: \"4.3\"\n*% an older driver\n");

  testsupport::RunResult again = vlsetup(kFiles);
  EXPECT_EQ(0, again.exitCode) << again.output;
  EXPECT_EQ(testsupport::readFile(kFiles + "/4/VELLORA.PPD"), testsupport::readFile(driverFolder() + "VELLORA.PPD"));
  EXPECT_EQ(expectedLog("Error installing monitor [3006]: The specified print monitor has already been installed.\n\n",
                        "Error installing print driver [1802]: The printer already exists.\n\n", 0),
            installLog());
  EXPECT_EQ("na_letter_8.5x11in", cups->queueAttribute("Vellora", "media-default"));
  EXPECT_EQ("na_letter_8.5x11in", cups->queueAttribute("Invoices", "media-default"));

  // remove: the product printer goes, the alias stays and still has its
  // port: the monitor stays registered while the alias uses it.
  EXPECT_EQ(0, vlsetup("remove").exitCode);
  EXPECT_FALSE(hasQueue("Vellora"));
  EXPECT_TRUE(hasQueue("Invoices"));
  EXPECT_TRUE(platform::fileExists(cups->backendFolder() + "/vlm"));
  std::vector<std::string> drivers;
  ASSERT_EQ(0, platform::enumPrinterDrivers("", &drivers));
  EXPECT_EQ(std::vector<std::string>{"Vellora"}, drivers) << "the driver is in use by the alias";
  // remove writes no log; the full install's log stays as it was.
  EXPECT_NE(std::string::npos, installLog().find("Completed with extended code: 0"));
}

TEST_F(FullInstall, AFolderWithoutTheVersionFolderFailsBeforeAnyPrinterIsMade) {
  const std::string files = machine.path("incomplete");
  ASSERT_TRUE(platform::createDirectories(files));
  ASSERT_TRUE(platform::copyFile(kFiles + "/vlmon", files + "/vlmon", false));
  testsupport::RunResult result = vlsetup(files);
  EXPECT_EQ(255, result.exitCode) << "a failed install must not look like a successful one";
  EXPECT_FALSE(hasQueue("Vellora"));
  const std::string log = installLog();
  EXPECT_NE(std::string::npos, log.find("Error occured copying install files:\nNo such file or directory\n\n")) << log;
  EXPECT_EQ(std::string::npos, log.find("Attempting to install virtual printer")) << log;
  // No report server is configured: nobody is asked.
  EXPECT_TRUE(messages().empty());

  // With one, the user is asked and the install log goes to it on Yes.
  testsupport::LoopbackHttpServer server;
  ASSERT_TRUE(server.started());
  platform::RegKey key;
  ASSERT_EQ(platform::kRegOk, key.create(platform::HKLM, kProductKey));
  ASSERT_EQ(platform::kRegOk, key.setString("ReportServer", server.address()));
  testsupport::writeFile(machine.path("answers"), "message: yes\n");
  machine.setEnv("VELLORA_UI_SCRIPT", machine.path("answers"));
  EXPECT_EQ(255, vlsetup(files).exitCode);
  auto shown = messages();
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ("Norvale Error Agent", shown[0][0]);
  EXPECT_EQ(0u, shown[0][1].find("Errors occurred during Vellora installation.\n")) << shown[0][1];
  ASSERT_TRUE(server.waitForRequests(1, 10000));
  const std::string request = server.requests()[0];
  EXPECT_EQ(0u, request.find("POST /err.asp HTTP/1.0\r\nUser-Agent: VL_errorAgent\r\n")) << request;
  EXPECT_NE(std::string::npos, request.find("\r\n\r\nmsg=%2a%2a%2a")) << request;
  EXPECT_NE(std::string::npos, request.find("&serial=0&app=VelloraInst&build=080128&rmaj=2&rmin=58")) << request;
}

TEST_F(FullInstall, WithTheSpoolerUnreachableBothAttemptsAreLoggedAndTheUserIsTold) {
  ASSERT_TRUE(cups->stop());
  testsupport::RunResult result = vlsetup(kFiles);
  EXPECT_EQ(255, result.exitCode) << result.output;
  const std::string unavailable = "[1722]: The RPC server is unavailable.\n\n";
  const std::string log = installLog();
  EXPECT_NE(std::string::npos, log.find("Monitor Dest: " + systemFolder() + "/vlmon\nError installing monitor " +
                                        unavailable + "Error installing monitor (2nd attempt) " + unavailable +
                                        "Error installing monitor " + unavailable + "Support files path"))
      << log;
  EXPECT_NE(std::string::npos, log.find("Attempting to install virtual printer: Vellora\nError installing print driver " +
                                        unavailable + "Error installing print driver (2nd Attempt) " + unavailable))
      << log;
  EXPECT_EQ(std::string::npos, log.find("Completed with extended code")) << log;
  auto shown = messages();
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ("Vellora Installation Error", shown[0][0]);
  EXPECT_EQ(0u, shown[0][1].find("Vellora was unable to communicate with the Windows print spooler.")) << shown[0][1];
  // Nothing started a server behind the test's back.
  EXPECT_FALSE(cups->answering());
}

}  // namespace
}  // namespace installertest
}  // namespace vellora
