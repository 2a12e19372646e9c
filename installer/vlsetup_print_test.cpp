// Printing to the installed printer as an ordinary user: lp, CUPS, the
// monitor, the converter, and a PDF in the user's documents folder.
#include <algorithm>
#include <chrono>

#include "testsupport/installer/vlsetup_test_support.h"
#include "platform/posix/listening_process.h"
#include "testsupport/posix/signals.h"
#include "testsupport/stand_in_record.h"
#include "testsupport/system_user.h"

namespace vellora {
namespace installertest {
namespace {

class Printing : public PrintingTest {
 protected:
  std::string workFolder() const { return user->home() + "/.local/share/Vellora/Temp"; }

  // Prints as the user; the job's id.
  int submit(const std::string& printer, const std::string& title, const std::string& file) {
    testsupport::RunResult printed = user->run({"lp", "-d", printer, "-t", title, file});
    EXPECT_EQ(0, printed.exitCode) << printed.output;
    int job = testsupport::jobIdFromLpOutput(printed.output);
    EXPECT_GT(job, 0) << printed.output;
    return job;
  }
  // Ghostscript behind the delaying stand-in for the converter's runs (an
  // argument file), registered as the machine's interpreter; the stand-in
  // writes its process id into startedFile() when it pauses.
  void interpreterBehind(const std::string& config) {
    const std::string program = machine.path("gs/gs");
    ASSERT_TRUE(platform::createDirectories(machine.path("gs")));
    platform::deleteFile(program);
    ASSERT_TRUE(platform::copyFile(DELAY_PATH, program, false));
    testsupport::posix::setPermissionBits(program, 0755);
    testsupport::writeFile(program + ".conf", "when=@\nexec=" + FindProgramOnPath("gs") + "\nstarted=" +
                                                  startedFile() + "\n" + config);
    std::string log;
    ASSERT_EQ(0, RegisterHostGhostscript(&log, program)) << log;
  }
  std::string startedFile() const { return user->home() + "/started"; }
  // The stand-in's process once it pauses; 0 when it never did.
  long pausedInterpreter() {
    testsupport::waitUntil([&] { return !testsupport::readFile(startedFile()).empty(); }, 60000);
    return std::atol(testsupport::readFile(startedFile()).c_str());
  }
  static long parentOf(long pid) {
    const std::string stat = testsupport::readFile("/proc/" + std::to_string(pid) + "/stat");
    const std::string::size_type after = stat.rfind(')');
    return after == std::string::npos ? 0 : std::atol(stat.c_str() + after + 4);
  }
  // Waits (bounded) until the process has ended; whether it has.
  static bool ended(long pid) {
    return testsupport::waitUntil([&] { return !platform::posix::processAlive(static_cast<pid_t>(pid)); }, 60000);
  }
  std::vector<std::string> pdfs() const {
    std::vector<std::string> made;
    platform::listDirectory(documents(), "*.pdf", &made);
    std::sort(made.begin(), made.end());
    return made;
  }
  // The job's files left in the working folder (its run log aside).
  std::vector<std::string> leftInWorkFolder(const std::string& pattern = "*") const {
    std::vector<std::string> names, left;
    platform::listDirectory(workFolder(), pattern, &names);
    for (const std::string& name : names)
      if (name != "vlconv.log") left.push_back(name);
    return left;
  }
};

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
  testsupport::posix::setPermissionBits(machine.path("files/budget.pdf"), 0644);
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

  // Invoices names its files with its own prefix and hands each to a
  // command of the user's that takes its time (an upload); the job is done
  // once the document is in place, not when the command ends.
  const std::string upload = machine.path("files/upload");
  testsupport::writeFile(upload, "#!/bin/sh\necho $$ > \"$HOME/upload.pid\"\necho uploading \"$1\"\nexec sleep 600\n");
  testsupport::posix::setPermissionBits(upload, 0755);
  testsupport::writeFile(product + "/Invoices.opt",
                         "[CommandOptions]\nDefaultPath=%HOME%/Documents/\nSuppressDialog=true\nAutoNameTitle=true\n"
                         "AutoNamePrefix=INV-\nPostProcess=true\nPostProcessCommand=" + upload + "\n");
  const auto start = std::chrono::steady_clock::now();
  print("Invoices", "Quarterly Report", machine.path("files/report.ps"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
  EXPECT_TRUE(platform::fileExists(documents() + "/INV-Quarterly Report.pdf")) << cups->errorLog();
  EXPECT_FALSE(platform::fileExists(documents() + "/Quarterly Report.pdf"));
  ASSERT_TRUE(testsupport::waitUntil([&] { return !testsupport::readFile(user->home() + "/upload.pid").empty(); }));
  const long uploading = std::atol(testsupport::readFile(user->home() + "/upload.pid").c_str());
  ASSERT_GT(uploading, 0);
  EXPECT_TRUE(platform::posix::processAlive(static_cast<pid_t>(uploading))) << "the command runs on";
  EXPECT_TRUE(testsupport::posix::sendSignal(uploading, testsupport::posix::Signal::kKill));
  EXPECT_TRUE(ended(uploading));
}

TEST_F(Printing, AHostileTitleIsJustATitleAndNobodyPrintsAsSomeoneElse) {
  const std::string title = "Q3 \"Report\" $(touch /tmp/vl-print-pwned) `id` ../../../tmp/escaped";
  const int job = print("Vellora", title, machine.path("files/report.ps"));
  EXPECT_FALSE(platform::fileExists("/tmp/vl-print-pwned"));
  EXPECT_FALSE(platform::fileExists("/tmp/escaped.pdf"));
  std::vector<std::string> made;
  platform::listDirectory(documents(), "*.pdf", &made);
  EXPECT_EQ(1u, made.size()) << cups->jobLog(job);

  // A user who claims to be another (the stock policy would believe it)
  // prints nothing into the other's folders: the server refuses the claim,
  // or the job stays the claimant's.
  testsupport::SystemUser other(machine.path("users"));
  ASSERT_TRUE(other.created()) << other.error();
  testsupport::RunResult claimed =
      user->run({"lp", "-U", other.name(), "-d", "Vellora", "-t", "Claimed", machine.path("files/report.ps")});
  if (claimed.exitCode == 0) {
    const int claim = testsupport::jobIdFromLpOutput(claimed.output);
    EXPECT_EQ(testsupport::kJobCompleted, cups->waitForJobEnd(claim, 120000)) << cups->jobLog(claim);
    EXPECT_TRUE(platform::fileExists(documents() + "/Claimed.pdf")) << cups->jobLog(claim);
  }
  std::vector<std::string> inOthersHome;
  platform::listDirectory(other.home(), "*", &inOthersHome);
  EXPECT_TRUE(inOthersHome.empty()) << claimed.output << cups->errorLog();
  // Nor does a name no account has get a job in.
  EXPECT_NE(0, user->run({"lp", "-U", "nobody-vl", "-d", "Vellora", machine.path("files/report.ps")}).exitCode);

  // Root's job reaches the monitor and is refused there, with the reason
  // in the log.
  testsupport::RunResult printed = testsupport::run({"lp", "-d", "Vellora", machine.path("files/report.ps")});
  const int refused = testsupport::jobIdFromLpOutput(printed.output);
  ASSERT_GT(refused, 0) << printed.output;
  EXPECT_EQ(testsupport::kJobCanceled, cups->waitForJobEnd(refused, 60000));
  // (The scheduler's log escapes quotes.)
  EXPECT_NE(std::string::npos, cups->jobLog(refused).find("Vellora refused the job of \\\"root\\\": jobs of root"))
      << cups->jobLog(refused);
  platform::listDirectory(documents(), "*.pdf", &made);
  EXPECT_EQ(claimed.exitCode == 0 ? 2u : 1u, made.size());
}

// A conversion that fails, a converter that crashes and a job cancelled
// while it converts: each job ends without a document, says why, and the
// user's earlier document of the same name stays whole.
TEST_F(Printing, FailedCrashedAndCancelledConversionsEndTheJobWithoutADocument) {
  // Every job of the printer replaces the one file "Ledger.pdf"; the user's
  // earlier one has a single page.
  testsupport::writeFile(product + "/Vellora.opt",
                         "[CommandOptions]\nDefaultPath=%HOME%/Documents/\nSuppressDialog=true\nAutoNamePrefix=Ledger\n");
  const std::string ledger = documents() + "/Ledger.pdf";
  ASSERT_EQ(0, user->run({"gs", "-q", "-dBATCH", "-dNOPAUSE", "-dSAFER", "-sDEVICE=pdfwrite", "-dLastPage=1",
                          "-sOutputFile=" + ledger, machine.path("files/report.ps")})
                   .exitCode);
  const std::string old = testsupport::readFile(ledger);
  ASSERT_EQ("1", pdfField(ledger, "Pages"));
  const std::string report = machine.path("files/report.ps");

  // The interpreter fails: the job is aborted, its message says why.
  interpreterBehind("exit=1\n");
  const int failed = submit("Vellora", "Ledger", report);
  EXPECT_EQ(testsupport::kJobAborted, cups->waitForJobEnd(failed, 120000)) << cups->jobLog(failed);
  const std::string why = "Vellora could not convert \"Ledger\": An error occurred while processing your document.";
  EXPECT_EQ(0u, cups->jobMessage(failed).find(why)) << cups->jobMessage(failed);
  EXPECT_NE(std::string::npos, cups->jobMessage(failed).find(workFolder() + "/vlconv.log"));
  EXPECT_NE(std::string::npos, cups->jobLog(failed).find("] " + why.substr(0, 26))) << cups->jobLog(failed);
  const std::string listed = user->run({"lpstat", "-W", "completed", "-l", "-o", "Vellora"}).output;
  EXPECT_NE(std::string::npos, listed.find("Status: " + why.substr(0, 26))) << listed;
  EXPECT_EQ(std::vector<std::string>{"Ledger.pdf"}, pdfs());
  EXPECT_EQ(old, testsupport::readFile(ledger));
  EXPECT_EQ(std::vector<std::string>(), leftInWorkFolder());

  // The converter crashes while the interpreter runs.
  interpreterBehind("sleep_ms=60000\n");
  platform::deleteFile(startedFile());
  const int crashed = submit("Vellora", "Ledger", report);
  long interpreter = pausedInterpreter();
  ASSERT_GT(interpreter, 0) << cups->jobLog(crashed);
  // Nothing of the scheduler's (back-channel, side-channel) reaches the
  // converter or what it starts: the interpreter has its standard streams.
  std::vector<std::string> descriptors;
  platform::listDirectory("/proc/" + std::to_string(interpreter) + "/fd", "*", &descriptors);
  std::sort(descriptors.begin(), descriptors.end());
  EXPECT_EQ((std::vector<std::string>{"0", "1", "2"}), descriptors);
  const long converter = parentOf(interpreter);
  ASSERT_GT(converter, 1);
  EXPECT_TRUE(testsupport::posix::sendSignal(converter, testsupport::posix::Signal::kSegmentationFault));
  EXPECT_EQ(testsupport::kJobAborted, cups->waitForJobEnd(crashed, 120000)) << cups->jobLog(crashed);
  EXPECT_NE(std::string::npos, cups->jobMessage(crashed).find("the converter ended before it finished the job"))
      << cups->jobMessage(crashed);
  EXPECT_TRUE(ended(interpreter));
  EXPECT_EQ(std::vector<std::string>{"Ledger.pdf"}, pdfs());
  EXPECT_EQ(old, testsupport::readFile(ledger));
  EXPECT_EQ(std::vector<std::string>(), leftInWorkFolder("vlm*")) << "the monitor's files go with the job";

  // Cancelled while the interpreter runs: the conversion ends as a failed one.
  platform::deleteFile(startedFile());
  const int cancelled = submit("Vellora", "Ledger", report);
  interpreter = pausedInterpreter();
  ASSERT_GT(interpreter, 0) << cups->jobLog(cancelled);
  const long cancelledConverter = parentOf(interpreter);
  testsupport::RunResult cancel = user->run({"cancel", std::to_string(cancelled)});
  EXPECT_EQ(0, cancel.exitCode) << cancel.output;
  EXPECT_EQ(testsupport::kJobCanceled, cups->waitForJobEnd(cancelled, 60000));
  EXPECT_TRUE(ended(interpreter));
  EXPECT_TRUE(ended(cancelledConverter));
  EXPECT_NE(std::string::npos, testsupport::readFile(workFolder() + "/vlconv.log").find("ended from outside"));
  EXPECT_EQ(std::vector<std::string>{"Ledger.pdf"}, pdfs());
  EXPECT_EQ(old, testsupport::readFile(ledger));
  EXPECT_EQ(std::vector<std::string>(), leftInWorkFolder());

  // The queue goes on, and a job that works replaces the document.
  interpreterBehind("");
  print("Vellora", "Ledger", report);
  EXPECT_EQ(std::vector<std::string>{"Ledger.pdf"}, pdfs());
  EXPECT_EQ("3", pdfField(ledger, "Pages"));
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
  testsupport::posix::setPermissionBits(pdf, 0644);
  const std::string notes = machine.path("files/notes.txt");
  testsupport::writeFile(notes, "Minutes of the meeting\nAll present.\n");
  testsupport::posix::setPermissionBits(notes, 0644);
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
