// Whole jobs whose spool file is a PDF, through the real vlconv and
// Ghostscript: the document keeps its text, links and bookmarks, takes the
// user's settings, makes the other file types, and a PDF that cannot be
// read ends the job with a message instead of a document.
#include <algorithm>

#include <gtest/gtest.h>

#include "testsupport/converter/vlconv_test_support.h"
#include "testsupport/pdf_documents.h"

namespace vellora {
namespace e2e {
namespace {

const char kUserKey[] = "SOFTWARE\\Norvale\\Vellora";
using Texts = std::vector<std::string>;

class PdfJobs : public VlconvTest {
 protected:
  void SetUp() override {
    VlconvTest::SetUp();
    if (IsSkipped()) return;
    options("Vellora", "DefaultPath=" + outDir + kSep + "\nSuppressDialog=true\nAutoNameTitle=true\n");
  }
  std::string linkedPdf(const std::string& name, const std::string& title) {
    const std::string path = machine.path(name);
    const std::string problem = testsupport::makeLinkedPdf(path, title);
    EXPECT_EQ(problem, "");
    return path;
  }
  std::vector<std::string> made() {
    std::vector<std::string> names;
    platform::listDirectory(outDir, "*", &names);
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string log() { return testsupport::readFile(product + kSep + "vlconv.log"); }
};

TEST_F(PdfJobs, APrintedPdfKeepsItsTextLinksAndBookmarksWithTheUsersSettings) {
  setUserString(kUserKey, "PDFAuthor", "Ann Clerk");
  setUserNumber(kUserKey, "ViewZoom", 1);  // "Fit Width"
  const std::string job = linkedPdf("job.pdf", "Annual Links");
  // The document's own title names it, not the name the print system gave.
  ASSERT_EQ(print(job, "Vellora", 2, "Printed As").exitCode, 0);
  const std::string pdf = outDir + kSep + "Annual Links.pdf";
  ASSERT_TRUE(platform::fileExists(pdf)) << log();
  EXPECT_FALSE(platform::fileExists(job)) << "the spool file goes with the job";

  const std::string text = pdfText(pdf);
  EXPECT_NE(text.find("First page of Annual Links"), std::string::npos) << text;
  EXPECT_NE(text.find("Second page of Annual Links"), std::string::npos) << text;
  EXPECT_EQ(testsupport::pdfLinkUris(pdf), Texts{testsupport::kLinkedPdfUri});
  EXPECT_EQ(testsupport::pdfBookmarks(pdf), (Texts{"Chapter One@1", "Chapter Two@2"}));
  EXPECT_EQ(pdfinfo(pdf, "Pages"), "2");
  EXPECT_EQ(pdfinfo(pdf, "Title"), "Annual Links");
  // The prologue and epilogue applied to the document: the user's author,
  // the zoom chosen, the product as producer.
  EXPECT_EQ(pdfinfo(pdf, "Author"), "Ann Clerk");
  EXPECT_EQ(pdfinfo(pdf, "Producer"), "Vellora 2.58");
  EXPECT_NE(testsupport::run({"qpdf", "--json=2", "--json-key=qpdf", pdf}).output.find("/FitH"),
            std::string::npos);
  // Ghostscript's page lines moved the progress bar over both pages.
  bool pastSecondPage = false;
  for (const auto& event : shown("progress"))
    if (event.size() == 2 && event[0] == "position" && std::stoi(event[1]) >= 3) pastSecondPage = true;
  EXPECT_TRUE(pastSecondPage);
  EXPECT_TRUE(filesLeftInWorkFolder().empty());

  // Without a title of its own the document name names it.
  ASSERT_EQ(print(linkedPdf("untitled.pdf", ""), "Vellora", 2, "Budget Plan").exitCode, 0);
  EXPECT_EQ(made(), (Texts{"Annual Links.pdf", "Budget Plan.pdf"}));
  EXPECT_EQ(pdfinfo(outDir + kSep + "Budget Plan.pdf", "Title"), "Budget Plan");
  EXPECT_TRUE(messages().empty()) << messages()[0];
}

TEST_F(PdfJobs, PostScriptAndTheInterpretersOwnTypesAreMadeFromAPdfJob) {
  options("Vellora", "DefaultPath=" + outDir + kSep +
                         "\nSuppressDialog=true\nAutoNameTitle=true\nDefaultExtIndex=2\n"
                         "FileType1Des=PNG image (*.png)\nFileType1Ext=*.png\nPDFOut1=0\n"
                         "IntCommand1=-sDEVICE=pnggray -r20 -dLastPage=1\n");
  ASSERT_EQ(print(linkedPdf("job.pdf", "Annual Links"), "Vellora", 2).exitCode, 0);
  const std::string ps = outDir + kSep + "Annual Links.ps";
  ASSERT_TRUE(platform::fileExists(ps)) << log();
  // PostScript that a distiller makes the document of, with the settings
  // between which the job sits.
  const std::string written = testsupport::readFile(ps);
  EXPECT_NE(written.find("/DOCVIEW pdfmark"), std::string::npos);
  EXPECT_NE(written.find("/DOCINFO pdfmark"), std::string::npos);
  const std::string again = machine.path("again.pdf");
  ASSERT_EQ(testsupport::run({"gs", "-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite", "-sOutputFile=" + again, ps})
                .exitCode,
            0);
  EXPECT_NE(pdfText(again).find("Second page of Annual Links"), std::string::npos);
  EXPECT_EQ(pdfinfo(again, "Title"), "Annual Links");

  // An image made by the interpreter straight from the PDF.
  options("Vellora", "DefaultPath=" + outDir + kSep +
                         "\nSuppressDialog=true\nAutoNameTitle=true\nDefaultExtIndex=3\n"
                         "FileType1Des=PNG image (*.png)\nFileType1Ext=*.png\nPDFOut1=0\n"
                         "IntCommand1=-sDEVICE=pnggray -r20 -dLastPage=1\n");
  ASSERT_EQ(print(linkedPdf("job2.pdf", "Annual Links"), "Vellora", 2).exitCode, 0);
  const std::string png = outDir + kSep + "Annual Links.png";
  ASSERT_TRUE(platform::fileExists(png)) << log();
  EXPECT_EQ(testsupport::readFile(png).substr(1, 3), "PNG");
  EXPECT_TRUE(messages().empty());
  EXPECT_TRUE(filesLeftInWorkFolder().empty());
}

TEST_F(PdfJobs, DamagedEncryptedAndFalsePdfsEndTheJobWithAMessageAndTouchNothing) {
  const std::string previous = outDir + kSep + "Report.pdf";
  testsupport::writeFile(previous, "the previous report");
  const std::string whole = testsupport::readFile(linkedPdf("whole.pdf", ""));
  const std::string damaged = spool(whole.substr(0, whole.size() / 3), "damaged.pdf");
  const std::string encrypted = machine.path("encrypted.pdf");
  ASSERT_EQ(testsupport::run({"qpdf", "--encrypt", "secret", "owner", "256", "--", machine.path("whole.pdf"),
                              encrypted})
                .exitCode,
            0);
  // The user's own file, named as a PDF.
  const std::string notes = spool("Minutes of the meeting\n", "notes.pdf");

  ASSERT_EQ(print(damaged, "Vellora", 1, "Report").exitCode, 0);
  ASSERT_EQ(print(encrypted, "Vellora", 1, "Report").exitCode, 0);
  ASSERT_EQ(vlconv({"9993", notes, "Report"}).exitCode, 0);

  const Texts shown = messages();
  ASSERT_EQ(shown.size(), 3u);
  const Texts firstLines = {"Sorry, the PDF file is damaged and cannot be converted.",
                            "Sorry, the orignal file was an encrypted PDF file. Redistilling encrypted PDF "
                            "files is not permitted.",
                            "Sorry, this document is not a PDF file, although it claims to be one."};
  for (std::size_t i = 0; i < shown.size(); ++i) {
    EXPECT_EQ(shown[i].substr(0, shown[i].find('\n')), firstLines[i]);
    EXPECT_NE(shown[i].find("vlconv.log"), std::string::npos) << shown[i];
  }
  EXPECT_NE(log().find("The document cannot be converted: Sorry, this document is not a PDF"), std::string::npos)
      << log();
  // Nothing was made or replaced; printed spool files went, the user's own
  // file stayed.
  EXPECT_EQ(made(), Texts{"Report.pdf"});
  EXPECT_EQ(testsupport::readFile(previous), "the previous report");
  EXPECT_FALSE(platform::fileExists(damaged));
  EXPECT_FALSE(platform::fileExists(encrypted));
  EXPECT_EQ(testsupport::readFile(notes), "Minutes of the meeting\n");
  EXPECT_TRUE(filesLeftInWorkFolder().empty());
}

}  // namespace
}  // namespace e2e
}  // namespace vellora
