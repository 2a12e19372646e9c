// Printing PDFs to the installed printer as an ordinary user: CUPS hands
// the PDF to the monitor as it is, and the converter keeps its text, links
// and bookmarks, whether the job names itself, is saved through the Save
// PDF dialog with encryption, or is appended to an existing PDF. A PDF
// that cannot be converted ends its job with a message and touches nothing.
#include <algorithm>

#include "testsupport/installer/vlsetup_test_support.h"
#include "testsupport/pdf_documents.h"

namespace vellora {
namespace installertest {
namespace {

using Texts = std::vector<std::string>;

class PdfPrinting : public PrintingTest {
 protected:
  // The converter's windows are scripted: the test's scheduler hands the
  // script and the record to every job (a test build's monitor passes them on).
  void beforeCupsStarts(testsupport::PrivateCups& server) override {
    ASSERT_TRUE(platform::createDirectories(machine.path("ui")));
    testsupport::posix::setPermissionBits(machine.path("ui"), 01777);
    server.setBackendEnvironment("VELLORA_UI_SCRIPT", script());
    server.setBackendEnvironment("VELLORA_UI_LOG", record());
  }
  void SetUp() override {
    PrintingTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    answers("");
    annual = machine.path("files/annual.pdf");
    ASSERT_EQ("", testsupport::makeLinkedPdf(annual, "Annual Links"));
    testsupport::posix::setPermissionBits(annual, 0644);
  }
  std::string script() const { return machine.path("ui/script"); }
  std::string record() const { return machine.path("ui/record"); }
  void answers(const std::string& lines) {
    testsupport::writeFile(script(), lines);
    testsupport::posix::setPermissionBits(script(), 0644);
  }
  void options(const std::string& lines) {
    testsupport::writeFile(product + "/Vellora.opt", "[CommandOptions]\nDefaultPath=%HOME%/Documents/\n" + lines);
  }
  // The texts of the converter's message boxes so far.
  Texts converterMessages() const {
    Texts texts;
    for (const auto& fields : testsupport::recordEvents(testsupport::readFile(record())))
      if (fields.size() >= 4 && fields[0] == "message") texts.push_back(fields[3]);
    return texts;
  }
  std::string text(const std::string& pdf, const std::string& password = "") {
    return testsupport::run({"pdftotext", "-upw", password, pdf, "-"}).output;
  }
  void expectTheWholeDocument(const std::string& pdf, const std::string& password = "") {
    const std::string shown = text(pdf, password);
    EXPECT_NE(shown.find("First page of Annual Links"), std::string::npos) << pdf << "\n" << shown;
    EXPECT_NE(shown.find("Second page of Annual Links"), std::string::npos) << pdf << "\n" << shown;
    EXPECT_EQ(testsupport::pdfLinkUris(pdf, password), Texts{testsupport::kLinkedPdfUri}) << pdf;
  }
  Texts documentNames() {
    Texts names;
    platform::listDirectory(documents(), "*", &names);
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string annual;
};

TEST_F(PdfPrinting, APrintedPdfStaysAPdfNamedSavedEncryptedOrAppended) {
  // Named automatically, after the document's own title.
  const int job = print("Vellora", "Printed As", annual);
  const std::string named = documents() + "/Annual Links.pdf";
  ASSERT_TRUE(platform::fileExists(named)) << cups->jobLog(job);
  expectTheWholeDocument(named);
  EXPECT_EQ(testsupport::pdfBookmarks(named), (Texts{"Chapter One@1", "Chapter Two@2"}));
  EXPECT_EQ("Annual Links", pdfField(named, "Title"));
  // CUPS ran no filter over it; the monitor counted its pages.
  const std::string log = cups->jobLog(job);
  for (const char* filter : {"pdftopdf", "pdftops", "gstopdf"})
    EXPECT_EQ(std::string::npos, log.find(filter)) << filter << "\n" << log;
  EXPECT_NE(std::string::npos, log.find("(2 pages)")) << log;

  // Appended to a document of the user's through the dialog: its bookmarks
  // follow the pages it brings.
  options("");
  const std::string ledger = documents() + "/Ledger.pdf";
  ASSERT_EQ(0, user->run({"gs", "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=pdfwrite",
                          "-sOutputFile=" + ledger, machine.path("files/report.ps")})
                   .exitCode);
  answers("saveas: " + ledger + "\nfileexists: append\n");
  print("Vellora", "Printed As", annual);
  EXPECT_EQ("5", pdfField(ledger, "Pages"));
  expectTheWholeDocument(ledger);
  EXPECT_EQ(testsupport::pdfBookmarks(ledger), (Texts{"Chapter One@4", "Chapter Two@5"}));

  // Saved through the dialog with 128-bit encryption.
  const std::string secured = documents() + "/Secured.pdf";
  answers("check: 1028\ntab: Security\nclick: 128/1026\ntype: 1030 viewing\ntype: 1031 changing\n"
          "accept: " + secured + "\n");
  print("Vellora", "Printed As", annual);
  ASSERT_TRUE(platform::fileExists(secured)) << testsupport::readFile(record());
  EXPECT_EQ(std::string::npos, testsupport::readFile(record()).find("refused"));
  const std::string security =
      testsupport::run({"qpdf", "--show-encryption", "--password=changing", secured}).output;
  EXPECT_NE(std::string::npos, security.find("R = 3")) << security;
  EXPECT_NE(std::string::npos, testsupport::run({"qpdf", "--show-encryption", "--password=viewing", secured})
                                   .output.find("Supplied password is user password"));
  expectTheWholeDocument(secured, "viewing");
  EXPECT_EQ(testsupport::pdfBookmarks(secured, "viewing"), (Texts{"Chapter One@1", "Chapter Two@2"}));
  EXPECT_TRUE(converterMessages().empty()) << converterMessages()[0];
  EXPECT_TRUE(testsupport::entriesNotOwnedBy(user->home(), user->uid()).empty());
}

TEST_F(PdfPrinting, DamagedEncryptedAndFalsePdfsEndWithAMessageAndTouchNothing) {
  options("SuppressDialog=true\nAutoNameTitle=true\n");
  // What is there before: a document of the same name as the jobs'.
  print("Vellora", "Report", machine.path("files/report.ps"));
  const Texts before = documentNames();
  ASSERT_EQ(before, Texts{"Quarterly Report.pdf"});
  const std::string previous = testsupport::readFile(documents() + "/Quarterly Report.pdf");

  const std::string whole = testsupport::readFile(annual);
  const std::string damaged = machine.path("files/damaged.pdf");
  testsupport::writeFile(damaged, whole.substr(0, whole.size() / 3));
  const std::string encrypted = machine.path("files/encrypted.pdf");
  ASSERT_EQ(0, testsupport::run({"qpdf", "--encrypt", "secret", "owner", "256", "--", annual, encrypted}).exitCode);
  const std::string notes = machine.path("files/notes.txt");
  testsupport::writeFile(notes, "Minutes of the meeting\n");
  for (const std::string& file : {damaged, encrypted, notes}) testsupport::posix::setPermissionBits(file, 0644);

  testsupport::JobState state;
  for (const std::string& file : {damaged, encrypted}) printJob("Vellora", "Quarterly Report", file, &state);
  // A text that CUPS is told is a PDF.
  printJob("Vellora", "Quarterly Report", notes, &state, {"-o", "document-format=application/pdf"});

  const Texts shown = converterMessages();
  ASSERT_EQ(3u, shown.size()) << testsupport::readFile(record());
  const Texts firstLines = {"Sorry, the PDF file is damaged and cannot be converted.",
                            "Sorry, the orignal file was an encrypted PDF file. Redistilling encrypted PDF "
                            "files is not permitted.",
                            "Sorry, this document is not a PDF file, although it claims to be one."};
  for (std::size_t i = 0; i < shown.size(); ++i) EXPECT_EQ(firstLines[i], shown[i].substr(0, shown[i].find('\n')));
  EXPECT_EQ(before, documentNames());
  EXPECT_EQ(previous, testsupport::readFile(documents() + "/Quarterly Report.pdf"));
  std::vector<std::string> left;
  platform::listDirectory(user->home() + "/.local/share/Vellora/Temp", "vlm*", &left);
  EXPECT_TRUE(left.empty());
}

}  // namespace
}  // namespace installertest
}  // namespace vellora
