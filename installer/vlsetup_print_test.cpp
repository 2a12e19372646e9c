// Printing to the installed printer as an ordinary user: lp, CUPS, the
// monitor, the converter, and a PDF in the user's documents folder.
#include <algorithm>

#include "installer/vlsetup_test_support.h"
#include "testsupport/stand_in_record.h"
#include "testsupport/system_user.h"

namespace vellora {
namespace installertest {
namespace {

class Printing : public PrintingTest {};

TEST_F(Printing, PostScriptPdfAndTextBecomePdfsOfTheUserWhoPrinted) {
  print("Vellora", "Quarterly Report", machine.path("files/report.ps"));
  const std::string report = documents() + "/Quarterly Report.pdf";
  ASSERT_TRUE(platform::fileExists(report)) << cups->errorLog();
  EXPECT_EQ("Quarterly Report", pdfField(report, "Title"));
  EXPECT_EQ("3", pdfField(report, "Pages"));

  // A PDF and a text file. The PDF reaches the converter as it is and, as
  // it has no title of its own, takes the one it was printed with; CUPS
  // makes a PDF of the text.
  ASSERT_EQ(0, testsupport::run({"qpdf", "--empty", "--pages", report, "--", machine.path("files/budget.pdf")})
                   .exitCode);
  platform::posix::setPermissionBits(machine.path("files/budget.pdf"), 0644);
  print("Vellora", "Budget Plan", machine.path("files/budget.pdf"));
  testsupport::writeFile(machine.path("files/notes.txt"), "Minutes of the meeting\nAll present.\n");
  print("Vellora", "Meeting Notes", machine.path("files/notes.txt"));
  std::vector<std::string> made;
  platform::listDirectory(documents(), "*.pdf", &made);
  EXPECT_EQ(3u, made.size());
  EXPECT_EQ("Budget Plan", pdfField(documents() + "/Budget Plan.pdf", "Title"));
  EXPECT_EQ("3", pdfField(documents() + "/Budget Plan.pdf", "Pages"));
  EXPECT_EQ("Meeting Notes", pdfField(documents() + "/Meeting Notes.pdf", "Title"));

  // Everything in the user's folders is the user's; no spool file is left.
  EXPECT_TRUE(testsupport::entriesNotOwnedBy(user->home(), user->uid()).empty());
  std::vector<std::string> left;
  platform::listDirectory(user->home() + "/.local/share/Vellora/Temp", "vlm*", &left);
  EXPECT_TRUE(left.empty());
}

TEST_F(Printing, AnAliasHasItsOwnOptionsAndSettings) {
  testsupport::RunResult created = vlsetup("alias:Invoices");
  ASSERT_EQ(0, created.exitCode) << created.output;
  auto shown = messages();
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ((std::vector<std::string>{"Vellora Alias Generator", "Successfully created printer alias"}), shown[0]);
  std::vector<platform::PrinterRecord> printers;
  ASSERT_EQ(0, platform::enumPrinters(&printers));
  for (const auto& printer : printers) EXPECT_EQ("VLM:", printer.portName) << printer.printerName;

  // Invoices names its files with its own prefix.
  testsupport::writeFile(product + "/Invoices.opt",
                         "[CommandOptions]\nDefaultPath=%HOME%/Documents/\nSuppressDialog=true\nAutoNameTitle=true\n"
                         "AutoNamePrefix=INV-\n");
  print("Invoices", "Quarterly Report", machine.path("files/report.ps"));
  EXPECT_TRUE(platform::fileExists(documents() + "/INV-Quarterly Report.pdf")) << cups->errorLog();
  EXPECT_FALSE(platform::fileExists(documents() + "/Quarterly Report.pdf"));
}

TEST_F(Printing, AHostileTitleIsJustATitleAndJobsOfRootOrStrangersAreRefused) {
  const std::string title = "Q3 \"Report\" $(touch /tmp/vl-print-pwned) `id` ../../../tmp/escaped";
  const int job = print("Vellora", title, machine.path("files/report.ps"));
  EXPECT_FALSE(platform::fileExists("/tmp/vl-print-pwned"));
  EXPECT_FALSE(platform::fileExists("/tmp/escaped.pdf"));
  std::vector<std::string> made;
  platform::listDirectory(documents(), "*.pdf", &made);
  EXPECT_EQ(1u, made.size()) << cups->jobLog(job);

  // Root, and a name no account has: cancelled, with the reason in the log.
  const std::vector<std::pair<std::vector<std::string>, std::string>> strangers = {
      {{"lp", "-d", "Vellora", machine.path("files/report.ps")}, "root"},
      {{"lp", "-U", "nobody-vl", "-d", "Vellora", machine.path("files/report.ps")}, "nobody-vl"}};
  for (const auto& stranger : strangers) {
    testsupport::RunResult printed = testsupport::run(stranger.first);
    const int refused = testsupport::jobIdFromLpOutput(printed.output);
    ASSERT_GT(refused, 0) << printed.output;
    EXPECT_EQ(testsupport::kJobCanceled, cups->waitForJobEnd(refused, 60000));
    // (The scheduler's log escapes quotes.)
    EXPECT_NE(std::string::npos,
              cups->jobLog(refused).find("Vellora refused the job of \\\"" + stranger.second + "\\\""))
        << cups->jobLog(refused);
  }
  platform::listDirectory(documents(), "*.pdf", &made);
  EXPECT_EQ(1u, made.size());
}

// Dropping documents on the product as the user: a text file goes through
// the printer "Vellora", a PDF and a PostScript file straight to the
// converter, and stay where they were.
TEST_F(Printing, DroppedDocumentsBecomePdfsOfTheUserWhoDroppedThem) {
  // A PDF without a title of its own.
  const std::string pdf = machine.path("files/budget.pdf");
  const std::string titled = machine.path("files/titled.pdf");
  ASSERT_EQ(0, testsupport::run({"gs", "-q", "-dBATCH", "-dNOPAUSE", "-dSAFER", "-sDEVICE=pdfwrite",
                                 "-sOutputFile=" + titled, machine.path("files/report.ps")})
                   .exitCode);
  ASSERT_EQ(0, testsupport::run({"qpdf", "--empty", "--pages", titled, "--", pdf}).exitCode);
  platform::posix::setPermissionBits(pdf, 0644);
  const std::string notes = machine.path("files/notes.txt");
  testsupport::writeFile(notes, "Minutes of the meeting\nAll present.\n");
  platform::posix::setPermissionBits(notes, 0644);
  const std::string job = user->home() + "/job.ps";
  ASSERT_EQ(0, user->run({"cp", machine.path("files/report.ps"), job}).exitCode);

  std::vector<std::string> made;
  std::size_t expected = 0;
  for (const std::string& document : {pdf, notes, job}) {
    testsupport::RunResult dropped = user->run({VELLORA_DROP_PROGRAM, document});
    EXPECT_EQ(0, dropped.exitCode) << dropped.output;
    ++expected;
    testsupport::waitUntil([&] {
      made.clear();
      platform::listDirectory(documents(), "*.pdf", &made);
      return made.size() >= expected;
    }, 120000);
    ASSERT_EQ(expected, made.size()) << document << "\n" << cups->errorLog();
  }
  std::sort(made.begin(), made.end());
  // Documents without a title are named after their files; the PostScript
  // file after the title it carries.
  EXPECT_EQ((std::vector<std::string>{"Quarterly Report.pdf", "budget.pdf", "notes.pdf"}), made);
  EXPECT_EQ("3", pdfField(documents() + "/budget.pdf", "Pages"));
  EXPECT_EQ("1", pdfField(documents() + "/notes.pdf", "Pages"));
  EXPECT_EQ("3", pdfField(documents() + "/Quarterly Report.pdf", "Pages"));
  EXPECT_TRUE(platform::fileExists(job));
  EXPECT_TRUE(testsupport::entriesNotOwnedBy(user->home(), user->uid()).empty());
}

}  // namespace
}  // namespace installertest
}  // namespace vellora
