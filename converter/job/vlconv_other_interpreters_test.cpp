// Whole jobs on machines without Ghostscript: none at all (the job is
// written as PostScript), Acrobat Distiller, PStill (their stand-ins).
#include <gtest/gtest.h>

#include "common/interpreter_names.h"
#include "testsupport/converter/vlconv_test_support.h"
#include "converter/settings/scramble_password.h"
#include "testsupport/pdf_documents.h"

namespace vellora {
namespace e2e {
namespace {

const char kUserKey[] = "SOFTWARE\\Norvale\\Vellora";

class OtherInterpreterJobs : public VlconvTest {
 protected:
  OtherInterpreterJobs() : VlconvTest(false) {}
  void SetUp() override {
    VlconvTest::SetUp();
    machine.setEnv("VELLORA_STANDIN_LOG", machine.path("standins.log"));
    options("Vellora", "DefaultPath=" + outDir + kSep + "\nSuppressDialog=true\nAutoNameTitle=true\n");
  }
  static std::string standIn(const std::string& name) {
    return std::string(VELLORA_STANDIN_DIR) + kSep + name + platform::kExeSuffix;
  }
  // The stand-ins' runs, one line each, the program first.
  std::string standInRuns() { return testsupport::readFile(machine.path("standins.log")); }
};

TEST_F(OtherInterpreterJobs, WithoutAnInterpreterTheJobIsKeptAsPostScript) {
  const std::string job = postScriptJob("Plain", 2);
  ASSERT_EQ(print(spool(job), "Vellora", 2).exitCode, 0);
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0].rfind("A Postscript interpreter was not found", 0), 0u) << messages()[0];
  std::vector<std::string> made;
  ASSERT_TRUE(platform::listDirectory(outDir, "*", &made));
  ASSERT_EQ(made.size(), 1u);
  EXPECT_EQ(made[0], "Plain.ps");
  // The spool data as it came, between the settings the product adds.
  const std::string written = testsupport::readFile(outDir + kSep + made[0]);
  EXPECT_NE(written.find(job), std::string::npos);
  EXPECT_NE(written.find("/DOCINFO pdfmark"), std::string::npos);
  EXPECT_TRUE(filesLeftInWorkFolder().empty());
}

TEST_F(OtherInterpreterJobs, WithoutAnInterpreterAPdfJobIsHandedOnAsItCameWithWhatTheUtilityApplies) {
  const std::string job = machine.path("job.pdf");
  ASSERT_EQ(testsupport::makeLinkedPdf(job, "Annual Links"), "");
  const std::string original = testsupport::readFile(job);
  // PostScript is asked for, which only Ghostscript can make of a PDF.
  options("Vellora", "DefaultPath=" + outDir + kSep + "\nSuppressDialog=true\nAutoNameTitle=true\n"
                     "DefaultExtIndex=2\n");
  ASSERT_EQ(print(job, "Vellora", 2).exitCode, 0);
  // A PDF, not PostScript, and exactly the one printed.
  const std::string pdf = outDir + kSep + "Annual Links.pdf";
  std::vector<std::string> made;
  platform::listDirectory(outDir, "*", &made);
  EXPECT_EQ(made, std::vector<std::string>{"Annual Links.pdf"});
  EXPECT_EQ(testsupport::readFile(pdf), original);

  // Passwords and permissions are the utility's work: they still apply.
  setUserNumber(kUserKey, "EncryptionLevel", 2);
  setUserString(kUserKey, "EUserPassword", ScramblePassword("reader"));
  setUserString(kUserKey, "EOwnerPassword", ScramblePassword("boss"));
  ASSERT_TRUE(platform::copyFile(pdf, job, false));
  ASSERT_TRUE(platform::deleteFile(pdf));
  ASSERT_EQ(print(job, "Vellora", 2).exitCode, 0);
  const std::string security =
      testsupport::run({"qpdf", "--show-encryption", "--password=boss", pdf}).output;
  EXPECT_NE(security.find("R = 3"), std::string::npos) << security;
  EXPECT_EQ(testsupport::pdfLinkUris(pdf, "reader"), std::vector<std::string>{testsupport::kLinkedPdfUri});
  EXPECT_EQ(testsupport::pdfBookmarks(pdf, "reader"), (std::vector<std::string>{"Chapter One@1", "Chapter Two@2"}));
  // The only word to the user is the one every job without an interpreter gets.
  for (const std::string& message : messages())
    EXPECT_EQ(message.rfind("A Postscript interpreter was not found", 0), 0u) << message;
  EXPECT_TRUE(filesLeftInWorkFolder().empty());
}

TEST_F(OtherInterpreterJobs, WithDistillerTheDocumentIsDeliveredUnencrypted) {
  setMachineString("SOFTWARE\\Norvale\\Vellora", "InterpreterLocation",
                   "SOFTWARE\\Adobe\\Acrobat Distiller\\7.0");
  setMachineString("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\AcroDist.exe", "",
                   standIn("standin-distiller"));
  setUserNumber(kUserKey, "EncryptionLevel", 1);
  ASSERT_EQ(print(spool(postScriptJob("Distilled", 1))).exitCode, 0);
  std::string pdf = outDir + kSep + "Distilled.pdf";
  ASSERT_TRUE(platform::fileExists(pdf));
  EXPECT_EQ(testsupport::run({"qpdf", "--check", pdf}).exitCode, 0);
  EXPECT_EQ(testsupport::run({"qpdf", "--requires-password", pdf}).exitCode, 2) << "not encrypted";
  EXPECT_NE(standInRuns().find("standin-distiller"), std::string::npos) << standInRuns();
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0],
            "Sorry, Vellora's document encryption not available when using the Acrobat Distiller.");
}

TEST_F(OtherInterpreterJobs, PStillConvertsFromItsArgumentFile) {
  const std::string folder = machine.path("PStill");
  ASSERT_TRUE(platform::createDirectories(folder));
  ASSERT_TRUE(platform::copyFile(standIn("standin-pstill"), folder + kSep + PStillProgramName(),
                                 false));
  setMachineString("SOFTWARE\\GPStill", "", folder);
  setMachineString("SOFTWARE\\Norvale\\Vellora", "InterpreterLocation", "SOFTWARE\\GPStill");
  ASSERT_EQ(print(spool(postScriptJob("Stilled", 1))).exitCode, 0);
  std::string pdf = outDir + kSep + "Stilled.pdf";
  ASSERT_TRUE(platform::fileExists(pdf)) << standInRuns();
  EXPECT_EQ(testsupport::run({"qpdf", "--check", pdf}).exitCode, 0);
  EXPECT_EQ(pdfinfo(pdf, "Pages"), "1");
  // PStill got its arguments from a file, the output among them.
  const std::string runs = standInRuns();
  EXPECT_NE(runs.find(PStillProgramName()), std::string::npos) << runs;
  EXPECT_NE(runs.find("-o"), std::string::npos) << runs;
  EXPECT_TRUE(messages().empty());
}

}  // namespace
}  // namespace e2e
}  // namespace vellora
