// The monitor's decisions: whom a job runs as, which printer's settings it
// takes, and what the converter is started with.
#include <windows.h>

#include <gtest/gtest.h>

#include "monitor/win32/converter_launch.h"
#include "monitor/win32/job_user.h"
#include "monitor/win32/printer_choice.h"
#include "platform/process.h"
#include "testsupport/fresh_machine.h"

namespace vellora {
namespace monitor {
namespace {

TEST(JobUserChoice, NeverAServiceAccountAndRefusedWhenNoUserIsFound) {
  std::string why;
  JobUserFacts spooler;  // Windows' spooler, as the local system account
  spooler.processUserIsService = true;
  spooler.threadImpersonates = true;
  spooler.threadTokenUsable = true;
  EXPECT_EQ(chooseJobUser(spooler, &why), JobUserSource::kImpersonation);

  // A job a service printed: its token is no user's.
  spooler.threadUserIsService = true;
  spooler.spoolerOwner = "SYSTEM";
  EXPECT_EQ(chooseJobUser(spooler, &why), JobUserSource::kNone);
  EXPECT_EQ(why, "the job's user \"SYSTEM\" has no desktop session on this machine");

  // A client token that cannot be used: the owner's desktop session, if any.
  JobUserFacts owner;
  owner.processUserIsService = true;
  owner.threadImpersonates = true;
  owner.spoolerOwner = "ann";
  owner.ownerHasSession = true;
  EXPECT_EQ(chooseJobUser(owner, &why), JobUserSource::kOwnerSession);
  owner.spoolerOwner.clear();
  why.clear();
  EXPECT_EQ(chooseJobUser(owner, &why), JobUserSource::kNone);
  EXPECT_EQ(why, "the spooler names no user for the job, and the monitor runs as a service account");

  // Inside the printing program (Wine) the program's user is the job's.
  JobUserFacts wine;
  EXPECT_EQ(chooseJobUser(wine, &why), JobUserSource::kOwnProcess);
}

TEST(JobUserChoice, UnderWineTheMonitorRunsAsThePrintingUser) {
  JobUser user;
  std::string why;
  ASSERT_TRUE(user.find(L"", 0, &why)) << why;
  EXPECT_EQ(user.source(), JobUserSource::kOwnProcess);
  EXPECT_EQ(user.token(), nullptr);
  EXPECT_FALSE(user.name().empty());
  HANDLE own = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own));
  EXPECT_FALSE(isServiceAccountToken(own));
  CloseHandle(own);
}

TEST(PrinterChoice, TheSpoolersNameElseThePortsPrinters) {
  std::string note;
  EXPECT_EQ(choosePrinter("Sales", {"Vellora", "Sales"}, &note), "Sales");
  EXPECT_TRUE(note.empty());
  EXPECT_EQ(choosePrinter("", {"Sales"}, &note), "Sales");
  EXPECT_NE(note.find("the one printer on the port"), std::string::npos);
  EXPECT_EQ(choosePrinter("", {"Sales", "Vellora"}, &note), "Vellora");
  EXPECT_EQ(choosePrinter("", {"Sales", "Legal"}, &note), "Sales");
  EXPECT_EQ(choosePrinter("", {}, &note), "Vellora");
}

TEST(ConverterStart, EachPartIsOneArgumentWhateverTheTitleHolds) {
  ConverterJob job;
  job.program = "C:\\Program Files\\Vellora\\vlconv.exe";
  job.pages = 12;
  job.spoolFile = "C:\\Users\\ann\\AppData\\Roaming\\Vellora\\Temp\\vlm0A1B2C3D.ps";
  job.printer = "Sales Desk";
  for (const std::string& title : {std::string("Report"), std::string("Say \"cheese\" \\\"now\\"),
                                   std::string(), std::string("C:\\folder\\"), std::string("a & b | c > d")}) {
    job.title = title;
    const std::vector<std::string> parts = platform::splitCommandLine(converterCommandLine(job));
    ASSERT_EQ(parts.size(), 5u) << converterCommandLine(job);
    EXPECT_EQ(parts[0], job.program);
    EXPECT_EQ(parts[1], "12");
    EXPECT_EQ(parts[2], job.spoolFile);
    EXPECT_EQ(parts[3], title);
    EXPECT_EQ(parts[4], "Sales Desk");
  }
}

TEST(ConverterStart, TheEnvironmentIsTheUsersNotTheMonitors) {
  testsupport::FreshMachine machine;
  machine.setEnv("VELLORA_MONITOR_PROCESS_ONLY", "1");
  JobUser user;
  std::string why;
  ASSERT_TRUE(user.find(L"", 0, &why)) << why;
  const std::vector<std::wstring> environment = converterEnvironment(user, machine.tmp());
  auto value = [&environment](const std::wstring& name) {
    for (const std::wstring& entry : environment)
      if (lstrcmpiW(entry.substr(0, entry.find(L'=', 1)).c_str(), name.c_str()) == 0)
        return entry.substr(entry.find(L'=', 1) + 1);
    return std::wstring(L"(none)");
  };
  EXPECT_EQ(value(L"VELLORA_MONITOR_PROCESS_ONLY"), L"(none)");
  EXPECT_NE(value(L"SystemRoot"), L"(none)");
  EXPECT_NE(value(L"PATH"), L"(none)");
  EXPECT_NE(value(L"APPDATA"), L"(none)");
  EXPECT_NE(value(L"TEMP"), L"(none)");
  // A test's converter keeps the test machine's registry.
  EXPECT_NE(value(L"VELLORA_TEST_REGISTRY"), L"(none)");
}

}  // namespace
}  // namespace monitor
}  // namespace vellora
