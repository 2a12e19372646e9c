// Documents without an application of their own reach the printer "Vellora"
// through the print server: a private cupsd whose "Vellora" queue hands
// every job to a recording backend.
#if !defined(_WIN32)

#include <gtest/gtest.h>

#include "platform/files.h"
#include "testsupport/posix/file_modes.h"
#include "platform/process.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/private_cups.h"
#include "testsupport/stand_in_record.h"

namespace {

class PrintedDocuments : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_PRIVATE_CUPS();
    cups.setBackendEnvironment("VELLORA_STANDIN_LOG", machine.path("backend"));
    cups.setBackendEnvironment("VELLORA_STANDIN_COPY_TO", machine.path("received"));
    ASSERT_TRUE(cups.start()) << cups.startError();
    const std::string backend = cups.backendFolder() + "/rec";
    ASSERT_TRUE(platform::copyFile(std::string(VELLORA_STANDIN_DIR) + "/standin-recorder", backend,
                                   false));
    ASSERT_TRUE(testsupport::posix::setPermissionBits(backend, 0700));
    testsupport::RunResult added =
        testsupport::run({"lpadmin", "-p", "Vellora", "-E", "-v", "rec:/", "-m", "raw"});
    ASSERT_EQ(added.exitCode, 0) << added.output;
    machine.setEnv("VELLORA_UI_LOG", machine.path("ui"));
  }

  // Drops a document on the program and returns the job the backend got:
  // its arguments (device, job, user, title, copies, options, file).
  std::vector<std::string> drop(const std::string& name, const std::string& content) {
    const std::string document = machine.path("docs/" + name);
    testsupport::writeFile(document, content);
    platform::deleteFile(machine.path("received"));
    platform::deleteFile(machine.path("backend"));
    testsupport::RunResult result = testsupport::run({VELLORA_DROP_PROGRAM, document});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    std::vector<std::vector<std::string>> jobs;
    testsupport::waitUntil([&] {
      jobs = testsupport::readRecord(machine.path("backend"));
      return !jobs.empty() && platform::fileExists(machine.path("received"));
    }, 30000);
    return jobs.empty() ? std::vector<std::string>() : jobs[0];
  }

  testsupport::PrivateCups cups{machine.path("cups")};
};

TEST_F(PrintedDocuments, APdfAndATextFileArePrintedToVellora) {
  // (A file named as a PDF goes straight to the converter; this one is a
  // PDF by its content only.)
  const std::string pdf = "%PDF-1.4\n% a report\n%%EOF\n";
  std::vector<std::string> job = drop("report", pdf);
  ASSERT_EQ(job.size(), 7u);
  EXPECT_EQ(job[3], "report");
  EXPECT_EQ(testsupport::readFile(machine.path("received")), pdf);

  job = drop("notes.txt", "Minutes of the meeting\n");
  ASSERT_EQ(job.size(), 7u);
  EXPECT_EQ(job[3], "notes.txt");
  EXPECT_EQ(testsupport::readFile(machine.path("received")), "Minutes of the meeting\n");
  EXPECT_EQ(testsupport::readFile(machine.path("ui")), "");
}

TEST_F(PrintedDocuments, WithoutThePrinterTheUserIsTold) {
  ASSERT_EQ(testsupport::run({"lpadmin", "-x", "Vellora"}).exitCode, 0);
  testsupport::writeFile(machine.path("notes.txt"), "Minutes of the meeting\n");
  EXPECT_EQ(testsupport::run({VELLORA_DROP_PROGRAM, machine.path("notes.txt")}).exitCode, 0);
  const std::string record = testsupport::readFile(machine.path("ui"));
  EXPECT_NE(record.find("Vellora could not print"), std::string::npos) << record;
  EXPECT_NE(record.find("The printer \"Vellora\" did not take the document"), std::string::npos)
      << record;
}

}  // namespace

#endif
