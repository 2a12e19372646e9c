// The spooler on a CUPS server of the test's own: monitors become
// backends, drivers records with their printer description, printers
// queues; and a server that is not there is an unavailable spooler.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "spooler/service_control.h"
#include "spooler/spooler.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/private_cups.h"

namespace platform {
namespace {

const char kDescription[] =
    "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n*LanguageVersion: English\n"
    "*LanguageEncoding: ISOLatin1\n*PCFileName: \"TEST.PPD\"\n*Manufacturer: \"Test\"\n*Product: \"(Test)\"\n"
    "*ModelName: \"Test Model\"\n*ShortNickName: \"Test Model\"\n*NickName: \"Test Model\"\n"
    "*PSVersion: \"(3010.000) 0\"\n*LanguageLevel: \"3\"\n*ColorDevice: True\n*DefaultColorSpace: RGB\n"
    "*FileSystem: False\n*Throughput: \"1\"\n*LandscapeOrientation: Plus90\n*TTRasterizer: Type42\n"
    "*OpenUI *PageSize: PickOne\n*OrderDependency: 10 AnySetup *PageSize\n*DefaultPageSize: Letter\n"
    "*PageSize Letter: \"<</PageSize[612 792]>>setpagedevice\"\n"
    "*PageSize A4: \"<</PageSize[595 842]>>setpagedevice\"\n*CloseUI: *PageSize\n"
    "*OpenUI *PageRegion: PickOne\n*OrderDependency: 10 AnySetup *PageRegion\n*DefaultPageRegion: Letter\n"
    "*PageRegion Letter: \"<</PageSize[612 792]>>setpagedevice\"\n"
    "*PageRegion A4: \"<</PageSize[595 842]>>setpagedevice\"\n*CloseUI: *PageRegion\n"
    "*DefaultImageableArea: Letter\n*ImageableArea Letter: \"0 0 612 792\"\n*ImageableArea A4: \"0 0 595 842\"\n"
    "*DefaultPaperDimension: Letter\n*PaperDimension Letter: \"612 792\"\n*PaperDimension A4: \"595 842\"\n"
    "*DefaultFont: Courier\n*Font Courier: Standard \"(001.000)\" Standard ROM\n";

bool contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

class SpoolerTest : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_PRIVATE_CUPS();
    cups.reset(new testsupport::PrivateCups(machine.path("cups")));
    ASSERT_TRUE(cups->start()) << cups->startError();
    description = machine.path("TEST.PPD");
    testsupport::writeFile(description, kDescription);
    // A backend that announces the scheme "tst".
    backendProgram = machine.path("tstmon");
    testsupport::writeFile(backendProgram, "#!/bin/sh\necho 'direct tst:/ \"Test\" \"Test backend\"'\n");
    ASSERT_EQ(0, chmod(backendProgram.c_str(), 0755));
  }

  void addTestMonitor() { ASSERT_EQ(kSpoolerOk, addMonitor({"Test Monitor", "", backendProgram})); }

  DriverRecord driver(const std::string& name = "Test Driver") const {
    DriverRecord record;
    record.version = 3;
    record.name = name;
    record.driverPath = machine.path("PSCRIPT5V.DLL");
    record.dataFile = description;
    record.configFile = machine.path("PS5UIV.DLL");
    record.helpFile = machine.path("PSCRIPT.HLP");
    record.dependentFiles = {machine.path("PSCRIPT.NTF"), description};
    record.defaultDataType = "RAW";
    return record;
  }
  PrinterRecord printer(const std::string& name, const std::string& driverName = "Test Driver") const {
    PrinterRecord record;
    record.printerName = name;
    record.portName = "TST:";
    record.driverName = driverName;
    record.printProcessor = "WinPrint";
    record.dataType = "RAW";
    record.attributes = kPrinterAttributeQueued;
    record.priority = 1;
    return record;
  }

  std::unique_ptr<testsupport::PrivateCups> cups;
  std::string description, backendProgram;
};

TEST_F(SpoolerTest, MonitorsDriversAndPrintersComeAndGo) {
  // The monitor: its program becomes the backend of its scheme, run as root.
  ASSERT_EQ(kSpoolerOk, addMonitor({"Test Monitor", "", backendProgram}));
  const std::string backend = cups->backendFolder() + "/tst";
  struct stat info;
  ASSERT_EQ(0, stat(backend.c_str(), &info));
  EXPECT_EQ(0700u, info.st_mode & 07777);
  EXPECT_EQ(0u, info.st_uid);
  EXPECT_EQ(kSpoolerMonitorExists, addMonitor({"Test Monitor", "", backendProgram}));
  EXPECT_EQ(kSpoolerInvalidEnvironment, addMonitor({"Other", "Windows IA64", backendProgram}));
  EXPECT_EQ(kSpoolerFileNotFound, addMonitor({"Other", "", machine.path("missing")}));
  std::vector<std::string> monitors;
  ASSERT_EQ(kSpoolerOk, enumMonitors(&monitors));
  EXPECT_TRUE(contains(monitors, "Test Monitor"));

  // The driver: a record whose data file is a printer description.
  std::string folder;
  ASSERT_EQ(kSpoolerOk, printerDriverDirectory("", &folder));
  EXPECT_TRUE(isDirectory(folder));
  EXPECT_EQ(kSpoolerOk, addPrinterDriver(4, driver()));
  DriverRecord missing = driver("Missing");
  missing.dataFile = machine.path("none.ppd");
  EXPECT_EQ(kSpoolerFileNotFound, addPrinterDriver(4, missing));
  DriverRecord notDescription = driver("Not A Description");
  notDescription.dataFile = backendProgram;
  EXPECT_EQ(kSpoolerInvalidParameter, addPrinterDriver(4, notDescription));
  EXPECT_EQ(kSpoolerInvalidLevel, addPrinterDriver(3, driver()));
  std::vector<std::string> drivers;
  ASSERT_EQ(kSpoolerOk, enumPrinterDrivers("", &drivers));
  EXPECT_EQ(std::vector<std::string>{"Test Driver"}, drivers);

  // Printers: queues on the backend, each name once (CUPS ignores case),
  // whose jobs the server takes only from users it has authenticated.
  ASSERT_EQ(kSpoolerOk, addPrinter(printer("First")));
  EXPECT_EQ("authenticated", cups->queueAttribute("First", "printer-op-policy"));
  EXPECT_EQ(kSpoolerPrinterExists, addPrinter(printer("First")));
  EXPECT_EQ(kSpoolerPrinterExists, addPrinter(printer("FIRST")));
  EXPECT_EQ(kSpoolerUnknownDriver, addPrinter(printer("Second", "No Such Driver")));
  for (const std::string& bad : {std::string("With Blank"), std::string("a/b"), std::string("x#y"),
                                 std::string(128, 'n')})
    EXPECT_EQ(kSpoolerInvalidPrinterName, addPrinter(printer(bad))) << bad;
  PrinterRecord shared = printer("Shared");
  shared.attributes |= kPrinterAttributeShared;
  shared.comment = "A shared one";
  ASSERT_EQ(kSpoolerOk, addPrinter(shared));

  std::vector<PrinterRecord> printers;
  ASSERT_EQ(kSpoolerOk, enumPrinters(&printers));
  ASSERT_EQ(2u, printers.size());
  for (const PrinterRecord& record : printers) {
    EXPECT_EQ("TST:", record.portName);
    EXPECT_EQ("Test Driver", record.driverName);
    EXPECT_EQ(record.printerName == "Shared", (record.attributes & kPrinterAttributeShared) != 0);
  }
  // A hidden copy of the shared printer is not shared.
  PrinterRecord hidden = printers[0].printerName == "Shared" ? printers[0] : printers[1];
  hidden.printerName = "Hidden";
  hidden.attributes |= kPrinterAttributeHidden;
  ASSERT_EQ(kSpoolerOk, addPrinter(hidden));
  ASSERT_EQ(kSpoolerOk, enumPrinters(&printers));
  for (const PrinterRecord& record : printers)
    if (record.printerName == "Hidden") {
      EXPECT_EQ(0u, record.attributes & kPrinterAttributeShared);
      EXPECT_EQ("A shared one", record.comment);
    }

  // What is in use stays.
  EXPECT_EQ(kSpoolerDriverInUse, deletePrinterDriver("", "Test Driver"));
  EXPECT_EQ(kSpoolerMonitorInUse, deleteMonitor("", "Test Monitor"));
  for (const char* name : {"First", "Shared", "Hidden"}) EXPECT_EQ(kSpoolerOk, deletePrinter(name)) << name;
  EXPECT_EQ(kSpoolerInvalidPrinterName, deletePrinter("First"));
  EXPECT_EQ(kSpoolerOk, deletePrinterDriver("", "Test Driver"));
  EXPECT_EQ(kSpoolerUnknownDriver, deletePrinterDriver("", "Test Driver"));
  EXPECT_EQ(kSpoolerOk, deleteMonitor("", "Test Monitor"));
  EXPECT_FALSE(fileExists(backend));
  EXPECT_EQ(kSpoolerUnknownMonitor, deleteMonitor("", "Test Monitor"));
}

TEST_F(SpoolerTest, ThePageSizeOfTheDeviceModeIsTheQueuesDefaultAndFollowsTheRegistryAtStart) {
  addTestMonitor();
  ASSERT_EQ(kSpoolerOk, addPrinterDriver(4, driver()));
  ASSERT_EQ(kSpoolerOk, addPrinter(printer("Plain")));
  EXPECT_EQ("na_letter_8.5x11in", cups->queueAttribute("Plain", "media-default"));
  PrinterRecord metric = printer("Metric");
  metric.deviceMode = "PageSize=A4";
  ASSERT_EQ(kSpoolerOk, addPrinter(metric));
  EXPECT_EQ("iso_a4_210x297mm", cups->queueAttribute("Metric", "media-default"));
  std::vector<PrinterRecord> printers;
  ASSERT_EQ(kSpoolerOk, enumPrinters(&printers));
  for (const PrinterRecord& record : printers)
    EXPECT_EQ(record.printerName == "Metric" ? "PageSize=A4" : "", record.deviceMode) << record.printerName;

  // A printer mode written into the registry reaches CUPS when the spooler starts.
  RegKey mode;
  ASSERT_EQ(kRegOk, mode.create(HKLM, "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Plain\\PrinterDriverData"));
  ASSERT_EQ(kRegOk, mode.setString("PageSize", "A4"));
  ServiceControl service;
  ASSERT_EQ(0, service.openManager());
  ASSERT_EQ(0, service.openService(kSpoolerService));
  ASSERT_EQ(0, service.stop());
  ServiceState state = kServiceRunning;
  for (int i = 0; i < 300 && state != kServiceStopped; ++i) {
    sleepMilliseconds(50);
    ASSERT_EQ(0, service.queryState(&state));
  }
  ASSERT_EQ(kServiceStopped, state);
  ASSERT_EQ(0, service.start());
  EXPECT_EQ("iso_a4_210x297mm", cups->queueAttribute("Plain", "media-default"));
  EXPECT_EQ("iso_a4_210x297mm", cups->queueAttribute("Metric", "media-default"));
}

// A class takes printers as its members; it and every printer shared take
// jobs only from users the server has authenticated. A printer of another
// server passes its jobs on with their users' credentials.
TEST_F(SpoolerTest, ClassesOfPrintersAndSharingAlwaysWithTheAuthenticatedPolicy) {
  addTestMonitor();
  ASSERT_EQ(kSpoolerOk, addPrinterDriver(4, driver()));
  for (const char* name : {"Pool-1", "Pool-2", "Alone"}) ASSERT_EQ(kSpoolerOk, addPrinter(printer(name))) << name;
  ASSERT_EQ(kSpoolerOk, addPrinterClass({"Pool", {"Pool-1", "Pool-2"}, false}));
  std::vector<PrinterClass> classes;
  ASSERT_EQ(kSpoolerOk, enumPrinterClasses(&classes));
  ASSERT_EQ(1u, classes.size());
  EXPECT_EQ("Pool", classes[0].name);
  EXPECT_EQ((std::vector<std::string>{"Pool-1", "Pool-2"}), classes[0].members);
  EXPECT_FALSE(classes[0].shared);
  EXPECT_EQ("authenticated", cups->queueAttribute("Pool", "printer-op-policy"));
  // Classes are no printers, and a printer's name is not a class's.
  std::vector<PrinterRecord> printers;
  ASSERT_EQ(kSpoolerOk, enumPrinters(&printers));
  EXPECT_EQ(3u, printers.size());
  EXPECT_EQ(kSpoolerPrinterExists, addPrinterClass({"Alone", {"Pool-1"}, false}));
  EXPECT_EQ(kSpoolerPrinterExists, addPrinter(printer("POOL")));
  EXPECT_NE(kSpoolerOk, addPrinterClass({"Other", {"No-Such-Printer"}, false}));
  EXPECT_EQ(kSpoolerInvalidPrinterName, addPrinterClass({"Bad Name", {"Pool-1"}, false}));

  // Sharing a class and a printer, and taking a third member.
  ASSERT_EQ(kSpoolerOk, sharePrinter("Pool", true));
  ASSERT_EQ(kSpoolerOk, sharePrinter("Alone", true));
  EXPECT_EQ("true", cups->queueAttribute("Pool", "printer-is-shared"));
  EXPECT_EQ("true", cups->queueAttribute("Alone", "printer-is-shared"));
  EXPECT_EQ("authenticated", cups->queueAttribute("Alone", "printer-op-policy"));
  EXPECT_EQ(kSpoolerInvalidPrinterName, sharePrinter("Nothing", true));
  ASSERT_EQ(kSpoolerOk, addPrinterClass({"Pool", {"Pool-1", "Pool-2", "Alone"}, true}));
  ASSERT_EQ(kSpoolerOk, enumPrinterClasses(&classes));
  ASSERT_EQ(1u, classes.size());
  EXPECT_EQ(3u, classes[0].members.size());
  EXPECT_TRUE(classes[0].shared);
  ASSERT_EQ(kSpoolerOk, sharePrinter("Alone", false));
  EXPECT_EQ("false", cups->queueAttribute("Alone", "printer-is-shared"));

  ASSERT_TRUE(cups->addSystemBackend("ipps"));
  PrinterRecord remote = printer("Remote");
  remote.portName = "ipps://127.0.0.1:9/printers/Vellora";
  ASSERT_EQ(kSpoolerOk, addPrinter(remote));
  EXPECT_EQ("username,password", cups->queueAttribute("Remote", "auth-info-required"));
  EXPECT_NE("Test Model", cups->queueAttribute("Remote", "printer-make-and-model"))
      << "no description: jobs go on as they were printed";
  EXPECT_EQ(std::string::npos, cups->queueAttribute("Alone", "auth-info-required").find("password"));

  EXPECT_EQ(kSpoolerOk, deletePrinterClass("Pool"));
  EXPECT_EQ(kSpoolerInvalidPrinterName, deletePrinterClass("Pool"));
  EXPECT_EQ(kSpoolerInvalidPrinterName, deletePrinterClass("Alone"));
  ASSERT_EQ(kSpoolerOk, enumPrinterClasses(&classes));
  EXPECT_TRUE(classes.empty());
  ASSERT_EQ(kSpoolerOk, enumPrinters(&printers));
  EXPECT_EQ(4u, printers.size()) << "the members stay printers";
}

TEST_F(SpoolerTest, AServerWithoutTheAuthenticatedPolicyGetsNoQueueOpenToEveryone) {
  cups->stop();
  cups.reset(new testsupport::PrivateCups(machine.path("cups-open")));
  cups->leaveOutPolicy("authenticated");
  ASSERT_TRUE(cups->start()) << cups->startError();
  addTestMonitor();
  ASSERT_EQ(kSpoolerOk, addPrinterDriver(4, driver()));
  EXPECT_EQ(kSpoolerInvalidParameter, addPrinter(printer("Open")));
  std::vector<PrinterRecord> printers;
  ASSERT_EQ(kSpoolerOk, enumPrinters(&printers));
  EXPECT_TRUE(printers.empty());
}

TEST_F(SpoolerTest, TheSpoolerServiceIsTheServerItself) {
  ServiceControl service;
  ASSERT_EQ(0, service.openManager());
  EXPECT_EQ(kServiceDoesNotExist, service.openService("Messenger"));
  ASSERT_EQ(0, service.openService(kSpoolerService));
  ServiceState state = kServiceStopped;
  ASSERT_EQ(0, service.queryState(&state));
  EXPECT_EQ(kServiceRunning, state);
  EXPECT_EQ(kServiceAlreadyRunning, service.start());
  ASSERT_EQ(kSpoolerOk, addPrinterDriver(4, driver()));
  EXPECT_EQ(kSpoolerUnknownPort, addPrinter(printer("Kept")));
  addTestMonitor();
  ASSERT_EQ(kSpoolerOk, addPrinter(printer("Kept")));

  // Stopped, every spooler call finds no server; the driver folder is local.
  ASSERT_EQ(0, service.stop());
  for (int i = 0; i < 300 && state != kServiceStopped; ++i) {
    sleepMilliseconds(50);
    ASSERT_EQ(0, service.queryState(&state));
  }
  ASSERT_EQ(kServiceStopped, state);
  EXPECT_FALSE(cups->answering());
  EXPECT_EQ(kServiceNotActive, service.stop());
  std::vector<PrinterRecord> printers;
  std::vector<std::string> names;
  std::string folder;
  EXPECT_EQ(kSpoolerServerUnavailable, enumPrinters(&printers));
  EXPECT_EQ(kSpoolerServerUnavailable, addPrinter(printer("Other")));
  EXPECT_EQ(kSpoolerServerUnavailable, addMonitor({"Test Monitor", "", backendProgram}));
  EXPECT_EQ(kSpoolerServerUnavailable, addPrinterDriver(4, driver()));
  EXPECT_EQ(kSpoolerServerUnavailable, enumPrinterDrivers("", &names));
  EXPECT_EQ(kSpoolerServerUnavailable, deletePrinter("Kept"));
  EXPECT_EQ(kSpoolerOk, printerDriverDirectory("", &folder));
  EXPECT_EQ("The RPC server is unavailable.", spoolerErrorText(kSpoolerServerUnavailable));

  // Started again, it is the same server with its queues.
  ASSERT_EQ(0, service.start());
  ASSERT_EQ(0, service.queryState(&state));
  EXPECT_EQ(kServiceRunning, state);
  EXPECT_TRUE(cups->answering());
  ASSERT_EQ(kSpoolerOk, enumPrinters(&printers));
  ASSERT_EQ(1u, printers.size());
  EXPECT_EQ("Kept", printers[0].printerName);
}

TEST_F(SpoolerTest, OnlyRootControlsTheSpoolerService) {
  if (geteuid() != 0) {
    ServiceControl service;
    EXPECT_EQ(kServiceAccessDenied, service.openManager());
  }
  // A server on another machine is no service of this one.
  machine.setEnv("CUPS_SERVER", "printers.example.com");
  ServiceControl remote;
  ASSERT_EQ(0, remote.openManager());
  EXPECT_EQ(kServiceDoesNotExist, remote.openService(kSpoolerService));
}

}  // namespace
}  // namespace platform
