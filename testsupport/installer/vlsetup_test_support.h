// A fresh machine with Vellora's programs set up as scripts/setup-machine
// sets them up (the product folder with vlconv, vlutil, vlreg and vlsetup,
// "AppPath", the host's Ghostscript registered) and a CUPS server of the
// test's own, whose backends see this machine's root. Tests run the real
// vlsetup against it.
#pragma once


#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/ghostscript_registration.h"
#include "common/product.h"
#include "platform/files.h"
#include "testsupport/posix/file_modes.h"
#include "platform/registry.h"
#include "scripted_ui/scripted_ui.h"
#include "platform/spooler.h"
#include "testsupport/dialog_record.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/private_cups.h"
#include "testsupport/system_user.h"

// The longest scenarios (several installs, each with the spooler's pauses
// of seconds) run in the normal build; under the sanitizers, which find
// nothing in a pause, the shorter tests of the same steps run.
#ifdef VELLORA_SANITIZED_BUILD
#define SKIP_LONG_SCENARIO_WHEN_SANITIZED() \
  GTEST_SKIP() << "a long spooler scenario: it runs in the normal build"
#else
#define SKIP_LONG_SCENARIO_WHEN_SANITIZED() \
  do {                                      \
  } while (0)
#endif

namespace vellora {
namespace installertest {

class VlsetupTest : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_PRIVATE_CUPS();
    product = machine.root() + "/Programs/Vellora";
    ASSERT_TRUE(platform::createDirectories(product));
    ASSERT_TRUE(platform::createDirectories(machine.root() + "/Windows/System32"));
    for (const char* program : {VLCONV_PATH, VLUTIL_PATH, VLREG_PATH, VLSETUP_PATH}) {
      std::string name = std::string(program).substr(std::string(program).rfind('/') + 1);
      ASSERT_TRUE(platform::copyFile(program, product + "/" + name, false)) << program;
    }
    platform::RegKey key;
    ASSERT_EQ(platform::kRegOk, key.create(platform::HKLM, kProductKey));
    ASSERT_EQ(platform::kRegOk, key.setString(kAppPathValue, product));
    std::string log;
    ASSERT_EQ(0, RegisterHostGhostscript(&log)) << log;
    // Machine stores are readable by every user, as on an installed system.
    testsupport::posix::setPermissionBits(machine.base(), 0755);
    testsupport::posix::setPermissionBits(machine.root(), 0755);

    cups.reset(new testsupport::PrivateCups(machine.path("cups")));
    cups->setBackendEnvironment("VELLORA_ROOT", machine.root());
    if (network) cups->listenOnLoopback();
    beforeCupsStarts(*cups);
    ASSERT_TRUE(cups->start()) << cups->startError();
    machine.setEnv("VELLORA_UI_LOG", machine.path("ui-record"));
  }

  void TearDown() override {
    if (cups) cups->stop();
  }

  // Fixtures that pass more to the backends add it here.
  virtual void beforeCupsStarts(testsupport::PrivateCups&) {}

  testsupport::RunResult vlsetup(const std::string& commandLine) {
    return testsupport::run({product + "/vlsetup", commandLine}, 600000);
  }

  std::string installLog() const { return testsupport::readFile(machine.root() + "/Windows/vlinst.log"); }
  std::string systemFolder() const { return machine.root() + "/Windows/System32"; }
  std::string driverFolder() const { return systemFolder() + "/spool/drivers/W32X86/"; }

  std::vector<std::string> queues() {
    std::vector<platform::PrinterRecord> printers;
    std::vector<std::string> names;
    if (platform::enumPrinters(&printers) == 0)
      for (const auto& printer : printers) names.push_back(printer.printerName);
    return names;
  }
  bool hasQueue(const std::string& name) {
    for (const std::string& queue : queues())
      if (queue == name) return true;
    return false;
  }

  // The messages vlsetup showed (caption, text), from the scripted UI's record.
  std::vector<std::vector<std::string>> messages() const {
    std::vector<std::vector<std::string>> shown;
    for (const auto& fields : testsupport::recordEvents(testsupport::readFile(machine.path("ui-record"))))
      if (fields.size() >= 4 && fields[0] == "message") shown.push_back({fields[2], fields[3]});
    return shown;
  }

  void setPendingAlias(int number, const std::string& name) {
    platform::RegKey key;
    ASSERT_EQ(platform::kRegOk, key.create(platform::HKLM, kProductKey));
    ASSERT_EQ(platform::kRegOk, key.setString("Alias" + std::to_string(number), name));
  }
  bool pendingAlias(int number) {
    platform::RegKey key;
    std::string name;
    return key.open(platform::HKLM, kProductKey, platform::kRegRead) == platform::kRegOk &&
           key.queryString("Alias" + std::to_string(number), &name) == platform::kRegOk;
  }
  std::string pendingAliasName(int number) {
    platform::RegKey key;
    std::string name;
    if (key.open(platform::HKLM, kProductKey, platform::kRegRead) == platform::kRegOk)
      key.queryString("Alias" + std::to_string(number), &name);
    return name;
  }

  // The classes of the server (name and members).
  std::vector<platform::PrinterClass> classes() {
    std::vector<platform::PrinterClass> found;
    platform::enumPrinterClasses(&found);
    return found;
  }

  // A PostScript document with a title of its own and pages that read
  // "<title> 1", "<title> 2"...; readable by everyone.
  static void writePostScript(const std::string& path, const std::string& title, int pages) {
    std::string ps = "%!PS-Adobe-3.0\n%%Title: " + title + "\n%%Pages: " + std::to_string(pages) +
                     "\n%%EndComments\n";
    for (int page = 1; page <= pages; ++page)
      ps += "%%Page: " + std::to_string(page) + " " + std::to_string(page) +
            "\n/Helvetica findfont 20 scalefont setfont 72 700 moveto (" + title + " " + std::to_string(page) +
            ") show showpage\n";
    testsupport::writeFile(path, ps + "%%EOF\n");
    testsupport::posix::setPermissionBits(path, 0644);
  }

  // One field of pdfinfo's answer about a PDF, without its padding.
  static std::string pdfField(const std::string& pdf, const std::string& field) {
    const std::string info = testsupport::run({"pdfinfo", pdf}).output;
    std::string::size_type at = info.find("\n" + field + ":");
    if (info.compare(0, field.size() + 1, field + ":") == 0) at = 0;
    else if (at == std::string::npos) return "(no " + field + ")";
    else ++at;
    std::string::size_type start = info.find_first_not_of(' ', at + field.size() + 1);
    return info.substr(start, info.find('\n', start) - start);
  }

  std::string product;
  std::unique_ptr<testsupport::PrivateCups> cups;
  // Set by a fixture before SetUp: the server listens on 127.0.0.1 with TLS
  // as well, for clients on the network.
  bool network = false;
};

// The product installed by vlsetup, its printers naming jobs from their
// titles into the documents folder of whoever printed, and an ordinary user
// with files to print.
class PrintingTest : public VlsetupTest {
 protected:
  void SetUp() override {
    VlsetupTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    testsupport::RunResult installed = vlsetup(INSTALLATION_FILES);
    ASSERT_EQ(0, installed.exitCode) << installed.output;
    for (const char* printer : {"Vellora", "Invoices"})
      testsupport::writeFile(product + "/" + printer + ".opt",
                             "[CommandOptions]\nDefaultPath=%HOME%/Documents/\nSuppressDialog=true\n"
                             "AutoNameTitle=true\n");
    user.reset(new testsupport::SystemUser(machine.path("users")));
    ASSERT_TRUE(user->created()) << user->error();
    ASSERT_EQ(0, user->run({"mkdir", "-p", documents()}).exitCode);
    // Files the user may read.
    ASSERT_TRUE(platform::createDirectories(machine.path("files")));
    ASSERT_TRUE(platform::copyFile(SAMPLES_DIR "/quarterly-report.ps", machine.path("files/report.ps"), false));
  }

  std::string documents() const { return user->home() + "/Documents"; }

  // Prints as the user (with lp's further options) and waits for the job
  // to end; its id, and its state in *state.
  int printJob(const std::string& printer, const std::string& title, const std::string& file,
               testsupport::JobState* state, const std::vector<std::string>& options = {}) {
    std::vector<std::string> command = {"lp", "-d", printer, "-t", title};
    command.insert(command.end(), options.begin(), options.end());
    command.push_back(file);
    testsupport::RunResult printed = user->run(command);
    EXPECT_EQ(0, printed.exitCode) << printed.output;
    int job = testsupport::jobIdFromLpOutput(printed.output);
    EXPECT_GT(job, 0) << printed.output;
    *state = cups->waitForJobEnd(job, 120000);
    return job;
  }
  // Prints as the user and waits for the job to complete; its id.
  int print(const std::string& printer, const std::string& title, const std::string& file) {
    testsupport::JobState state;
    int job = printJob(printer, title, file, &state);
    EXPECT_EQ(testsupport::kJobCompleted, state) << cups->jobLog(job);
    return job;
  }

  std::unique_ptr<testsupport::SystemUser> user;
};

}  // namespace installertest
}  // namespace vellora
