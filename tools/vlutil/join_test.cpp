#include "tools/vlutil/testing_pdfs.h"

#include <algorithm>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include "testsupport/pdf_documents.h"

namespace vlutil_testing {
namespace {

class VlutilJoinTest : public VlutilTest {
 protected:
  void SetUp() override {
    VlutilTest::SetUp();
    PdfRecipe a;
    a.label = "A";
    a.pages = 3;
    a.title = "Old title of A";
    makePdf(path("a.pdf"), a);
    PdfRecipe b;
    b.label = "B";
    b.pages = 2;
    b.version = "1.7";
    makePdf(path("b.pdf"), b);
  }

  RunResult join(const std::string& first, const std::string& second, const std::string& out,
                 const std::string& password = std::string()) {
    return vlutil({"c", path(first), path(second), path(out), "Title", "Subject", "Keywords",
                   "Author", password});
  }

  // The label drawn on each page, in order ("1A" for "Page 1 of A").
  std::vector<std::string> pageLabels(const std::string& name) {
    std::vector<std::string> labels;
    for (const auto& content : pageContents(path(name))) {
      size_t at = content.find("(Page ");
      if (at == std::string::npos) {
        labels.push_back("?");
        continue;
      }
      size_t of = content.find(" of ", at);
      labels.push_back(content.substr(at + 6, of - at - 6) + content.substr(of + 4, 1));
    }
    return labels;
  }
};

TEST_F(VlutilJoinTest, AppendAndPrependKeepEveryPageInOrder) {
  ASSERT_EQ(0, join("a.pdf", "b.pdf", "ab.pdf").exitCode);
  EXPECT_EQ((std::vector<std::string>{"1A", "2A", "3A", "1B", "2B"}), pageLabels("ab.pdf"));
  ASSERT_EQ(0, join("b.pdf", "a.pdf", "ba.pdf").exitCode);
  EXPECT_EQ((std::vector<std::string>{"1B", "2B", "1A", "2A", "3A"}), pageLabels("ba.pdf"));

  // The higher version of the two wins, whichever comes first.
  EXPECT_EQ("1.7", pdfVersion(path("ab.pdf")));
  EXPECT_EQ("1.7", pdfVersion(path("ba.pdf")));
  EXPECT_EQ("5", run({"qpdf", "--show-npages", path("ab.pdf")}).output.substr(0, 1));
  EXPECT_EQ(0, run({"qpdf", "--check", path("ab.pdf")}).exitCode);
}

TEST_F(VlutilJoinTest, SetsDocumentInformationUnicodeSafe) {
  const std::string title = "Grüße (draft) \\ ) ( – 日本";
  RunResult result = vlutil({"c", path("a.pdf"), path("b.pdf"), path("out.pdf"), title, "",
                             "one, two", "Zoë O'Neil", ""});
  ASSERT_EQ(0, result.exitCode) << result.output;
  bool present = false;
  EXPECT_EQ(title, infoValue(path("out.pdf"), "/Title", &present));
  EXPECT_EQ("one, two", infoValue(path("out.pdf"), "/Keywords", &present));
  EXPECT_EQ("Zoë O'Neil", infoValue(path("out.pdf"), "/Author", &present));
  // An empty argument leaves the entry out, even where the first document had one.
  infoValue(path("out.pdf"), "/Subject", &present);
  EXPECT_FALSE(present);

  // Arguments in the Windows ANSI code page (not UTF-8) are read as such.
  ASSERT_EQ(0, vlutil({"c", path("a.pdf"), path("b.pdf"), path("ansi.pdf"), "Gr\xfc\xdf" "e",
                       "", "", "", ""})
                   .exitCode);
  EXPECT_EQ("Grüße", infoValue(path("ansi.pdf"), "/Title", &present));

  RunResult info = run({"pdfinfo", path("out.pdf")});
  EXPECT_NE(std::string::npos, info.output.find("Title:           " + title)) << info.output;
  EXPECT_NE(std::string::npos, info.output.find("Author:          Zoë O'Neil"));
}

TEST_F(VlutilJoinTest, OpensAnEncryptedExistingDocumentWithItsPassword) {
  makeEncryptedCopy(path("a.pdf"), path("open.pdf"), "secret", "boss", false);
  // Prepend: the existing document comes second. Nothing is restricted, so
  // the password that opens it will do.
  ASSERT_EQ(0, join("b.pdf", "open.pdf", "out.pdf", "secret").exitCode);
  EXPECT_EQ((std::vector<std::string>{"1B", "2B", "1A", "2A", "3A"}), pageLabels("out.pdf"));
  // The result carries no encryption.
  EXPECT_EQ(2, run({"qpdf", "--requires-password", path("out.pdf")}).exitCode);

  // A restricted document opens with its user password, but joining would
  // lift the owner's restrictions: only the owner password joins it.
  makeEncryptedCopy(path("a.pdf"), path("locked.pdf"), "secret", "boss", true);
  EXPECT_EQ(8, join("locked.pdf", "b.pdf", "out2.pdf", "secret").exitCode);
  EXPECT_FALSE(exists(path("out2.pdf")));
  ASSERT_EQ(0, join("locked.pdf", "b.pdf", "out2.pdf", "boss").exitCode);
  EXPECT_EQ((std::vector<std::string>{"1A", "2A", "3A", "1B", "2B"}), pageLabels("out2.pdf"));
  EXPECT_EQ(2, run({"qpdf", "--requires-password", path("out2.pdf")}).exitCode);
}

TEST_F(VlutilJoinTest, PasswordProblemsLeaveAnExistingOutputAlone) {
  makeEncryptedCopy(path("a.pdf"), path("locked.pdf"), "secret", "boss", true);
  makeEncryptedCopy(path("a.pdf"), path("restricted.pdf"), "", "boss", true);
  writeBytes(path("out.pdf"), "previous result");
  std::vector<std::string> before = folderEntries();

  EXPECT_EQ(8, join("locked.pdf", "b.pdf", "out.pdf", "wrong").exitCode);
  EXPECT_EQ(8, join("b.pdf", "locked.pdf", "out.pdf", "wrong").exitCode);
  EXPECT_EQ(9, join("locked.pdf", "b.pdf", "out.pdf").exitCode);
  // Opens without a password, but its owner restricted it: the owner's
  // password is needed to take its pages out.
  EXPECT_EQ(9, join("restricted.pdf", "b.pdf", "out.pdf").exitCode);
  EXPECT_EQ(8, join("restricted.pdf", "b.pdf", "out.pdf", "wrong").exitCode);
  EXPECT_EQ(0, join("restricted.pdf", "b.pdf", "joined.pdf", "boss").exitCode);

  writeBytes(path("broken.pdf"), "%PDF-1.4\nnot really\n");
  EXPECT_EQ(3, join("a.pdf", "broken.pdf", "out.pdf").exitCode);
  EXPECT_EQ(3, join("missing.pdf", "a.pdf", "out.pdf").exitCode);

  EXPECT_EQ("previous result", readBytes(path("out.pdf")));
  before.push_back("broken.pdf");
  before.push_back("joined.pdf");
  std::sort(before.begin(), before.end());
  EXPECT_EQ(before, folderEntries());  // no temporary file left behind
}

TEST_F(VlutilJoinTest, InputsStayUnchangedAndFormFieldsKeepWorking) {
  PdfRecipe form;
  form.label = "F";
  form.formField = "Customer name";
  makePdf(path("form.pdf"), form);
  std::string aBefore = readBytes(path("a.pdf"));
  std::string formBefore = readBytes(path("form.pdf"));

  ASSERT_EQ(0, join("a.pdf", "form.pdf", "out.pdf").exitCode);
  EXPECT_EQ(aBefore, readBytes(path("a.pdf")));
  EXPECT_EQ(formBefore, readBytes(path("form.pdf")));
  // The field came along into the joined document's form, tied to its page.
  EXPECT_EQ((std::vector<std::string>{"Customer name@4"}), formFieldsByPage(path("out.pdf")));
  RunResult check = run({"qpdf", "--check", path("out.pdf")});
  EXPECT_EQ(0, check.exitCode) << check.output;
}

TEST_F(VlutilJoinTest, TheSecondDocumentsBookmarksFollowTheFirstsAndLeadToTheirPages) {
  ASSERT_EQ("", testsupport::makeLinkedPdf(path("linked.pdf"), "Linked"));
  using Texts = std::vector<std::string>;
  // Appended after three pages of A, which has no bookmarks.
  ASSERT_EQ(0, join("a.pdf", "linked.pdf", "appended.pdf").exitCode);
  EXPECT_EQ((Texts{"Chapter One@4", "Chapter Two@5"}), testsupport::pdfBookmarks(path("appended.pdf")));
  EXPECT_EQ(Texts{testsupport::kLinkedPdfUri}, testsupport::pdfLinkUris(path("appended.pdf")));
  // Joined to itself: both sets, each leading to its own copy of the pages.
  ASSERT_EQ(0, join("linked.pdf", "linked.pdf", "twice.pdf").exitCode);
  EXPECT_EQ((Texts{"Chapter One@1", "Chapter Two@2", "Chapter One@3", "Chapter Two@4"}),
            testsupport::pdfBookmarks(path("twice.pdf")));
  EXPECT_EQ(0, run({"qpdf", "--check", path("twice.pdf")}).exitCode);

  // Bookmarks chained in a circle end where the circle closes.
  {
    QPDF pdf;
    pdf.processFile(path("linked.pdf").c_str());
    QPDFObjectHandle outlines = pdf.getRoot().getKey("/Outlines");
    outlines.getKey("/Last").replaceKey("/Next", outlines.getKey("/First"));
    const std::string circle = path("circle.pdf");  // the writer keeps the name, not a copy
    QPDFWriter writer(pdf, circle.c_str());
    writer.write();
  }
  ASSERT_EQ(0, join("a.pdf", "circle.pdf", "circle-joined.pdf").exitCode);
  EXPECT_EQ((Texts{"Chapter One@4", "Chapter Two@5"}), testsupport::pdfBookmarks(path("circle-joined.pdf")));
}

}  // namespace
}  // namespace vlutil_testing
