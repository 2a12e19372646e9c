// One print server for an office, through the real vlsetup, CUPS, monitor
// and converter: the printer as a class of member queues, shared on the
// network for users who authenticate with their passwords over TLS.
#include <algorithm>
#include <thread>

#include "common/monitor_contract.h"
#include "testsupport/installer/vlsetup_test_support.h"
#include "testsupport/ipp_client.h"
#include "testsupport/pdf_documents.h"
#include "testsupport/system_user.h"

namespace vellora {
namespace installertest {
namespace {

class OfficeCommands : public VlsetupTest {
 protected:
  std::string memberRecord(const std::string& queue) {
    platform::RegKey key;
    std::string printer;
    if (key.open(platform::HKLM, kClassMembersKey, platform::kRegRead) == platform::kRegOk)
      key.queryString(queue, &printer);
    return printer;
  }
  std::vector<std::string> members() {
    for (const platform::PrinterClass& found : classes())
      if (found.name == "Vellora") return found.members;
    return {};
  }
};

TEST_F(OfficeCommands, ThePrinterBecomesASharedClassOfMembersAndGoesWithThem) {
  SKIP_LONG_SCENARIO_WHEN_SANITIZED();
  // Nothing to make a class of, to share or to pass on before the install.
  EXPECT_EQ(-1 & 0xff, vlsetup("class:2").exitCode & 0xff);
  EXPECT_EQ(-1 & 0xff, vlsetup("share").exitCode & 0xff);
  ASSERT_EQ(0, vlsetup(INSTALLATION_FILES).exitCode) << installLog();
  EXPECT_EQ(255, vlsetup("remote:ipps://127.0.0.1:9/printers/Vellora").exitCode) << "no class yet";
  for (const char* bad : {"class:0", "class:65", "class:two", "class:", "class:-1"})
    EXPECT_EQ(255, vlsetup(bad).exitCode) << bad;
  EXPECT_TRUE(hasQueue("Vellora"));

  // A printer with a job waiting stays a printer.
  ASSERT_EQ(0, testsupport::run({"cupsdisable", "Vellora"}).exitCode);
  testsupport::writeFile(machine.path("held.ps"), "%!PS\nshowpage\n");
  ASSERT_EQ(0, testsupport::run({"lp", "-d", "Vellora", machine.path("held.ps")}).exitCode);
  EXPECT_EQ(255, vlsetup("class:3").exitCode);
  EXPECT_TRUE(hasQueue("Vellora"));
  EXPECT_TRUE(classes().empty());
  ASSERT_EQ(0, testsupport::run({"cancel", "-a", "Vellora"}).exitCode);
  ASSERT_EQ(0, testsupport::run({"cupsenable", "Vellora"}).exitCode);

  // An alias of that name is not taken as a member.
  ASSERT_EQ(0, vlsetup("aa:Vellora-2").exitCode);
  ASSERT_EQ(0, vlsetup("class:3").exitCode);
  EXPECT_EQ((std::vector<std::string>{"Vellora-1", "Vellora-3", "Vellora-4"}), members());
  EXPECT_FALSE(hasQueue("Vellora"));
  for (const std::string& member : members()) {
    EXPECT_EQ("Vellora", memberRecord(member)) << member;
    EXPECT_EQ("authenticated", cups->queueAttribute(member, "printer-op-policy"));
  }
  EXPECT_EQ("", memberRecord("Vellora-2"));
  EXPECT_EQ("authenticated", cups->queueAttribute("Vellora", "printer-op-policy"));
  std::vector<platform::PrinterRecord> printers;
  ASSERT_EQ(0, platform::enumPrinters(&printers));
  for (const auto& printer : printers) EXPECT_EQ("VLM:", printer.portName) << printer.printerName;

  // Fewer members, a member passing jobs on, sharing, and an alias of the class.
  ASSERT_EQ(0, vlsetup("class:2").exitCode);
  EXPECT_EQ((std::vector<std::string>{"Vellora-1", "Vellora-3"}), members());
  EXPECT_FALSE(hasQueue("Vellora-4"));
  EXPECT_EQ("", memberRecord("Vellora-4"));
  EXPECT_EQ(255, vlsetup("remote:http://127.0.0.1:9/printers/Vellora").exitCode);
  EXPECT_EQ(255, vlsetup("remote:ipps://127.0.0.1:9/printers/Vellora; rm").exitCode);
  ASSERT_TRUE(cups->addSystemBackend("ipps"));
  ASSERT_EQ(0, vlsetup("remote:ipps://127.0.0.1:9/printers/Vellora").exitCode);
  EXPECT_EQ((std::vector<std::string>{"Vellora-1", "Vellora-3", "Vellora-4"}), members());
  EXPECT_EQ("ipps://127.0.0.1:9/printers/Vellora", cups->queueAttribute("Vellora-4", "device-uri"));
  EXPECT_EQ("username,password", cups->queueAttribute("Vellora-4", "auth-info-required"));
  EXPECT_EQ("Vellora", memberRecord("Vellora-4"));
  // Members are made again only as many as asked; the one passing jobs on stays.
  ASSERT_EQ(0, vlsetup("class:2").exitCode);
  EXPECT_EQ(3u, members().size());

  ASSERT_EQ(0, vlsetup("share").exitCode);
  EXPECT_EQ("true", cups->queueAttribute("Vellora", "printer-is-shared"));
  EXPECT_EQ("true", cups->queueAttribute("Vellora-2", "printer-is-shared")) << "an alias is shared";
  EXPECT_EQ("false", cups->queueAttribute("Vellora-1", "printer-is-shared")) << "members take jobs through the class";
  ASSERT_EQ(0, vlsetup("aa:Invoices").exitCode);
  EXPECT_TRUE(hasQueue("Invoices"));
  EXPECT_EQ("", memberRecord("Invoices"));

  // A new install keeps the class; removal takes it with every member.
  ASSERT_EQ(0, vlsetup(INSTALLATION_FILES).exitCode) << installLog();
  EXPECT_EQ(3u, members().size());
  ASSERT_EQ(0, vlsetup("remove").exitCode);
  EXPECT_TRUE(classes().empty());
  for (const char* gone : {"Vellora-1", "Vellora-3", "Vellora-4"}) {
    EXPECT_FALSE(hasQueue(gone)) << gone;
    EXPECT_EQ("", memberRecord(gone)) << gone;
  }
  EXPECT_TRUE(hasQueue("Invoices"));
  EXPECT_TRUE(hasQueue("Vellora-2"));
}

// Users print from their desktops over the network to the shared class:
// the server takes a job only from a user who gave the account's password,
// converts it as that user into the user's home, and says where it went.
class OfficePrinting : public VlsetupTest {
 protected:
  OfficePrinting() { network = true; }
  void SetUp() override {
    VlsetupTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    testsupport::RunResult installed = vlsetup(INSTALLATION_FILES);
    ASSERT_EQ(0, installed.exitCode) << installed.output;
    testsupport::writeFile(product + "/Vellora.opt",
                           "[CommandOptions]\nDefaultPath=%HOME%/Documents/\nSuppressDialog=true\n"
                           "AutoNameTitle=true\n");
    ASSERT_EQ(0, vlsetup("class:2").exitCode);
    ASSERT_EQ(0, vlsetup("share").exitCode);
    ASSERT_TRUE(platform::createDirectories(machine.path("files")));
    report = machine.path("files/report.ps");
    ASSERT_TRUE(platform::copyFile(SAMPLES_DIR "/quarterly-report.ps", report, false));
    // Two pages without a title of their own, so that the job's title
    // names each job of it (a PDF's own title would).
    budget = machine.path("files/budget.pdf");
    ASSERT_EQ("", testsupport::makeLinkedPdf(budget, ""));
    testsupport::posix::setPermissionBits(budget, 0644);
    ledger = machine.path("files/ledger.ps");
    writePostScript(ledger, "Ledger", 3);
  }
  testsupport::IppPrint print(const testsupport::SystemUser& user, const std::string& password,
                              const std::string& file, const std::string& title,
                              const std::vector<std::pair<std::string, std::string>>& options = {}) {
    return testsupport::printOverIpp({cups->port(), "Vellora"}, user.name(), password, file, title, options);
  }
  std::vector<std::string> pdfsOf(const testsupport::SystemUser& user) {
    std::vector<std::string> made;
    platform::listDirectory(user.home() + "/Documents", "*.pdf", &made);
    std::sort(made.begin(), made.end());
    return made;
  }
  std::string report, budget, ledger;
};

TEST_F(OfficePrinting, OnlyAuthenticatedUsersPrintAndEachJobEndsInTheirOwnHome) {
  testsupport::SystemUser ann(machine.path("users")), bob(machine.path("users"));
  ASSERT_TRUE(ann.created() && bob.created());
  ASSERT_TRUE(ann.setPassword("Ann-secret-1"));
  ASSERT_TRUE(bob.setPassword("Bob-secret-2"));

  // Refused at the door: a wrong password, another user's password, a name
  // no account has. Nothing reaches anyone's home.
  EXPECT_EQ(0, print(ann, "wrong", report, "Nope").jobId);
  EXPECT_EQ(0, print(bob, "Ann-secret-1", report, "Nope").jobId);
  testsupport::IppPrint stranger = testsupport::printOverIpp({cups->port(), "Vellora"}, "nobody-vl",
                                                             "Ann-secret-1", report, "Nope");
  EXPECT_EQ(0, stranger.jobId) << stranger.status;

  // Authenticated as one user and claiming another in the request: the job
  // is the one who authenticated.
  testsupport::IppPrint claimed = testsupport::printOverIpp({cups->port(), "Vellora"}, ann.name(), "Ann-secret-1",
                                                            budget, "Claimed", {}, bob.name());
  ASSERT_GT(claimed.jobId, 0) << claimed.status;
  EXPECT_EQ(testsupport::kJobCompleted, cups->waitForJobEnd(claimed.jobId, 120000));
  EXPECT_EQ(std::vector<std::string>{"Claimed.pdf"}, pdfsOf(ann));
  EXPECT_TRUE(pdfsOf(bob).empty());
  platform::deleteFile(ann.home() + "/Documents/Claimed.pdf");

  // At once, on both members: two of one title, two joining one file, a
  // PDF, and a job of the other user.
  std::vector<testsupport::IppPrint> jobs;
  jobs.push_back(print(ann, "Ann-secret-1", report, "Quarterly Report"));
  jobs.push_back(print(ann, "Ann-secret-1", report, "Quarterly Report"));
  jobs.push_back(print(ann, "Ann-secret-1", ledger, "Ledger", {{kExistingFileOption, "append"}}));
  jobs.push_back(print(ann, "Ann-secret-1", budget, "Ledger", {{kExistingFileOption, "append"}}));
  jobs.push_back(print(ann, "Ann-secret-1", budget, "Budget Plan"));
  jobs.push_back(print(bob, "Bob-secret-2", budget, "Quarterly Report"));
  for (const auto& job : jobs) {
    ASSERT_GT(job.jobId, 0) << job.status;
    EXPECT_EQ(testsupport::kJobCompleted, cups->waitForJobEnd(job.jobId, 120000)) << cups->jobLog(job.jobId);
  }
  EXPECT_EQ((std::vector<std::string>{"Budget Plan.pdf", "Ledger.pdf", "Quarterly Report.pdf",
                                      "Quarterly Report1.pdf"}),
            pdfsOf(ann));
  EXPECT_EQ(std::vector<std::string>{"Quarterly Report.pdf"}, pdfsOf(bob));
  const std::string docs = ann.home() + "/Documents/";
  EXPECT_EQ("3", pdfField(docs + "Quarterly Report.pdf", "Pages"));
  EXPECT_EQ("3", pdfField(docs + "Quarterly Report1.pdf", "Pages"));
  EXPECT_EQ("5", pdfField(docs + "Ledger.pdf", "Pages")) << "both jobs in the one file";
  EXPECT_EQ("2", pdfField(docs + "Budget Plan.pdf", "Pages"));
  EXPECT_EQ("2", pdfField(bob.home() + "/Documents/Quarterly Report.pdf", "Pages"));
  EXPECT_EQ("Saved as ~/Documents/Budget Plan.pdf", cups->jobMessage(jobs[4].jobId));
  EXPECT_EQ("Saved as ~/Documents/Quarterly Report.pdf", cups->jobMessage(jobs[5].jobId));
  // Both members took jobs.
  std::string log = cups->errorLog();
  EXPECT_NE(std::string::npos, log.find("Vellora-1")) << log;
  EXPECT_NE(std::string::npos, log.find("Vellora-2"));
  for (const testsupport::SystemUser* user : {&ann, &bob}) {
    EXPECT_TRUE(testsupport::entriesNotOwnedBy(user->home(), user->uid()).empty());
    std::vector<std::string> left;
    platform::listDirectory(user->home() + "/.local/share/Vellora/Temp", "vl*", &left);
    EXPECT_TRUE(left.empty()) << left.size();
  }

  // An account without a home on this server is told so in the job.
  testsupport::SystemUser away(machine.path("users"), testsupport::SystemUser::Home::kMissing);
  ASSERT_TRUE(away.created());
  ASSERT_TRUE(away.setPassword("Away-secret-3"));
  testsupport::IppPrint homeless = print(away, "Away-secret-3", report, "Quarterly Report");
  ASSERT_GT(homeless.jobId, 0) << homeless.status;
  EXPECT_EQ(testsupport::kJobCanceled, cups->waitForJobEnd(homeless.jobId, 60000));
  EXPECT_EQ("Vellora refused the job of \"" + away.name() + "\": " + away.name() +
                " has no home folder on this server (" + away.home() + ")",
            cups->jobMessage(homeless.jobId));
  EXPECT_FALSE(platform::fileExists(away.home()));
}

}  // namespace
}  // namespace installertest
}  // namespace vellora
