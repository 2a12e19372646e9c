// Whole jobs through the real vlconv program: printed jobs named
// automatically or through the Save dialog, on a fresh machine with the
// host's Ghostscript.
#include <algorithm>
#include <thread>

#include <gtest/gtest.h>

#include "testsupport/converter/vlconv_test_support.h"

namespace vellora {
namespace e2e {
namespace {

class NamingJobs : public VlconvTest {};

TEST_F(NamingJobs, AWordJobBecomesAPdfNamedFromItsTitle) {
  options("Vellora", "DefaultPath=" + outDir + kSep + "\nSuppressDialog=true\nAutoNameTitle=true\n");
  std::string job = spool(postScriptJob("Microsoft Word - Annual Plan.doc", 3));
  auto result = print(job, "Vellora", 3);
  ASSERT_EQ(result.exitCode, 0) << result.output;

  std::string pdf = outDir + kSep + "Annual Plan.pdf";
  ASSERT_TRUE(platform::fileExists(pdf)) << testsupport::readFile(workFolder() + kSep + "vlconv.log");
  EXPECT_EQ(pdfinfo(pdf, "Title"), "Annual Plan");
  EXPECT_EQ(pdfinfo(pdf, "Pages"), "3");
  EXPECT_EQ(pdfinfo(pdf, "Producer"), "Vellora 2.58");
  EXPECT_EQ(testsupport::readFile(pdf).find("GPL Ghostscript"), std::string::npos)
      << "neither /Info nor the XMP metadata keeps Ghostscript's name";
  EXPECT_FALSE(platform::fileExists(job)) << "the spool file is handed over and deleted";
  EXPECT_TRUE(filesLeftInWorkFolder().empty());
  EXPECT_TRUE(messages().empty());
}

TEST_F(NamingJobs, TheOptionsFileIsReadFromTheFolderTheMachineNames) {
  // An installation that keeps its configuration apart from its programs.
  const std::string etc = machine.path("etc");
  ASSERT_TRUE(platform::createDirectories(etc));
  setMachineString("SOFTWARE\\Norvale\\Vellora", "OptionsPath", etc);
  testsupport::writeFile(etc + kSep + "Vellora.opt", "[CommandOptions]\nDefaultPath=" + outDir + kSep +
                                                         "\nSuppressDialog=true\nAutoNamePrefix=etc-\n");
  options("Vellora", "DefaultPath=" + outDir + kSep + "\nSuppressDialog=true\nAutoNamePrefix=product-\n");
  auto result = print(spool(postScriptJob("Plan", 1)));
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_TRUE(platform::fileExists(outDir + kSep + "etc-.pdf"));
  EXPECT_FALSE(platform::fileExists(outDir + kSep + "product-.pdf"));
}

TEST_F(NamingJobs, AUsersOwnPostScriptFileWithBlanksIsConvertedAndKept) {
  options("Vellora", "DefaultPath=" + outDir + kSep + "\nSuppressDialog=true\nAutoNameTitle=true\n");
  std::string mine = spool(postScriptJob("My Notes", 2), "my notes file.ps");
  auto result = vlconv({"9993", mine});
  ASSERT_EQ(result.exitCode, 0) << result.output;
  std::string pdf = outDir + kSep + "My Notes.pdf";
  ASSERT_TRUE(platform::fileExists(pdf));
  EXPECT_EQ(pdfinfo(pdf, "Pages"), "2");
  EXPECT_EQ(testsupport::readFile(mine), postScriptJob("My Notes", 2));
}

TEST_F(NamingJobs, IncrementedNamesDifferAndRepeatedTitlesGetCounters) {
  options("Vellora", "DefaultPath=" + outDir + kSep +
                         "\nAutoNamePrefix=scan\nSuppressDialog=true\nAutoNameIncr=true\n");
  ASSERT_EQ(print(spool(postScriptJob("One", 1))).exitCode, 0);
  ASSERT_EQ(print(spool(postScriptJob("Two", 1))).exitCode, 0);
  std::vector<std::string> made;
  platform::listDirectory(outDir, "scan*.pdf", &made);
  ASSERT_EQ(made.size(), 2u);
  EXPECT_NE(made[0], made[1]);

  options("Titled", "DefaultPath=" + outDir + kSep + "\nSuppressDialog=true\nAutoNameTitle=true\n");
  for (int i = 0; i < 3; ++i) ASSERT_EQ(print(spool(postScriptJob("Minutes", 1)), "Titled").exitCode, 0);
  for (const char* name : {"Minutes.pdf", "Minutes1.pdf", "Minutes2.pdf"})
    EXPECT_TRUE(platform::fileExists(outDir + kSep + name)) << name;
}

TEST_F(NamingJobs, ADocumentsValueIsUsedOnceAndSaveasForEveryJob) {
  std::string once = outDir + kSep + "handed over.pdf";
  setMachineString("SOFTWARE\\Norvale\\Vellora\\Documents", "Budget", once);
  answers("saveas: <cancel>\n");
  ASSERT_EQ(print(spool(postScriptJob("Budget", 1))).exitCode, 0);
  EXPECT_TRUE(platform::fileExists(once));
  EXPECT_FALSE(valueExists(platform::HKLM, "SOFTWARE\\Norvale\\Vellora\\Documents", "Budget"));
  // The second job with that title finds no name and asks; the user cancels.
  EXPECT_TRUE(exitedWithMinusOne(print(spool(postScriptJob("Budget", 1)))));
  EXPECT_EQ(shown("saveas").size(), 1u);

  std::string fixed = outDir + kSep + "always.pdf";
  setMachineString("SOFTWARE\\Norvale\\Vellora", "saveas", fixed);
  ASSERT_EQ(print(spool(postScriptJob("First", 1))).exitCode, 0);
  EXPECT_EQ(pdfinfo(fixed, "Title"), "First");
  ASSERT_EQ(print(spool(postScriptJob("Second", 2))).exitCode, 0);
  EXPECT_EQ(pdfinfo(fixed, "Title"), "Second");
  EXPECT_EQ(shown("saveas").size(), 1u);
}

TEST_F(NamingJobs, ReservedAndEscapedCharactersNeverLeaveTheFolder) {
  options("Vellora", "DefaultPath=" + outDir + kSep + "\nSuppressDialog=true\nAutoNameTitle=true\n");
  ASSERT_EQ(print(spool(postScriptJob("Plan: why? \\057etc\\057passwd", 1))).exitCode, 0);
  ASSERT_EQ(print(spool(postScriptJob("..\\057..\\057escape", 1))).exitCode, 0);
  std::vector<std::string> made;
  platform::listDirectory(outDir, "*", &made);
  ASSERT_EQ(made.size(), 2u);
  // Where a leading dot would hide the file, the dots become "_" too.
  const std::string escaped = platform::kLeadingDotHides ? "___.._escape.pdf" : ".._.._escape.pdf";
  EXPECT_NE(std::find(made.begin(), made.end(), escaped), made.end());
  EXPECT_NE(std::find(made.begin(), made.end(), "Plan_ why_ _etc_passwd.pdf"), made.end());
  EXPECT_FALSE(platform::fileExists(machine.base() + kSep + "escape.pdf"));
}

TEST_F(NamingJobs, TheSaveDialogNamesTheFileAndCancelLeavesEverythingAlone) {
  std::string existing = outDir + kSep + "Report.pdf";
  testsupport::writeFile(existing, "the user's document");
  answers("saveas: <cancel>\n");
  std::string job = spool(postScriptJob("Report", 1));
  EXPECT_TRUE(exitedWithMinusOne(print(job)));
  EXPECT_EQ(testsupport::readFile(existing), "the user's document");
  EXPECT_FALSE(platform::fileExists(job));
  EXPECT_TRUE(filesLeftInWorkFolder().empty());
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0], "No filename was chosen, aborting document.");

  // A name typed without an extension gets ".pdf"; one in capitals keeps it.
  answers("saveas: " + outDir + kSep + "typed\n");
  ASSERT_EQ(print(spool(postScriptJob("Typed", 1))).exitCode, 0);
  EXPECT_TRUE(platform::fileExists(outDir + kSep + "typed.pdf"));
  answers("saveas: " + outDir + kSep + "LOUD.PDF\n");
  ASSERT_EQ(print(spool(postScriptJob("Loud", 1))).exitCode, 0);
  EXPECT_EQ(pdfinfo(outDir + kSep + "LOUD.PDF", "Title"), "Loud");
  EXPECT_FALSE(platform::fileExists(outDir + kSep + "LOUD.PDF.pdf"));

  // The first dialog opens in the documents folder, later ones where the
  // user saved last.
  auto saveas = shown("saveas");
  ASSERT_EQ(saveas.size(), 3u);
  EXPECT_EQ(saveas[0][0], machine.home() + kSep + "Documents");
  EXPECT_EQ(saveas[2][0], outDir);
}

TEST_F(NamingJobs, AnUnwritableFolderGivesTheTwoLineMessage) {
  setMachineString("SOFTWARE\\Norvale\\Vellora", "saveas",
                   machine.path("no such folder") + kSep + "x.pdf");
  std::string job = spool(postScriptJob("Lost", 1));
  EXPECT_EQ(print(job).exitCode, 0);
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0].rfind("Sorry, Vellora cannot write to the file path specified.\n", 0), 0u);
  EXPECT_FALSE(platform::fileExists(job));
  EXPECT_TRUE(filesLeftInWorkFolder().empty());
}

TEST_F(NamingJobs, AFailedConversionPutsThePreviousFileBack) {
  std::string existing = outDir + kSep + "keep.pdf";
  testsupport::writeFile(existing, "previous version");
  setMachineString("SOFTWARE\\Norvale\\Vellora", "saveas", existing);
  std::string broken = "%!PS-Adobe-3.0\n%%Title: Broken\n/Helvetica findfont 12 scalefont setfont\n"
                       "72 700 moveto (text) show nosuchoperator showpage\n";
  std::string mine = spool(broken, "mine.ps");
  EXPECT_EQ(vlconv({"9993", mine}).exitCode, 0);
  EXPECT_EQ(testsupport::readFile(existing), "previous version");
  EXPECT_EQ(testsupport::readFile(mine), broken) << "mode 9993 never deletes the user's file";
  EXPECT_TRUE(filesLeftInWorkFolder().empty());
  std::string log = testsupport::readFile(product + kSep + "vlconv.log");
  EXPECT_NE(log.find("Error creating PDF file (errConverting)"), std::string::npos) << log;
  EXPECT_NE(log.find("undefined"), std::string::npos);
}

TEST_F(NamingJobs, JobsRunningAtOnceKeepTheirOwnFiles) {
  options("Vellora", "DefaultPath=" + outDir + kSep + "\nSuppressDialog=true\nAutoNameTitle=true\n");
  const int kJobs = 4;
  std::vector<std::string> spoolFiles;
  for (int i = 0; i < kJobs; ++i)
    spoolFiles.push_back(spool(postScriptJob("Parallel " + std::to_string(i), i + 1)));
  std::vector<int> codes(kJobs, -2);
  std::vector<std::thread> jobs;
  for (int i = 0; i < kJobs; ++i)
    jobs.emplace_back([&, i] { codes[i] = print(spoolFiles[i], "Vellora", i + 1).exitCode; });
  for (auto& job : jobs) job.join();
  for (int i = 0; i < kJobs; ++i) {
    EXPECT_EQ(codes[i], 0);
    std::string pdf = outDir + kSep + "Parallel " + std::to_string(i) + ".pdf";
    EXPECT_EQ(pdfinfo(pdf, "Title"), "Parallel " + std::to_string(i));
    EXPECT_EQ(pdfinfo(pdf, "Pages"), std::to_string(i + 1));
  }
  EXPECT_TRUE(filesLeftInWorkFolder().empty());
}

TEST_F(NamingJobs, FewerThanTwoArgumentsEndAtOnce) {
  EXPECT_TRUE(exitedWithMinusOne(vlconv({})));
  EXPECT_TRUE(exitedWithMinusOne(vlconv({"3"})));
  EXPECT_TRUE(shown("message").empty());
}

}  // namespace
}  // namespace e2e
}  // namespace vellora
