#include "monitor/job_format.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "monitor/pdf_pages.h"
#include "monitor/spool_file.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/pdf_documents.h"

namespace vellora {
namespace monitor {
namespace {

TEST(JobFormat, APdfIsKnownByItsContentAndAClaimedOneKeepsItsClaim) {
  EXPECT_STREQ(".pdf", spoolFileEnding("%PDF-1.7\n%\xE2\xE3\n1 0 obj", ""));
  // Printer language before the header, as long as the header starts early.
  EXPECT_STREQ(".pdf", spoolFileEnding("\x1B%-12345X@PJL ENTER LANGUAGE = PDF\n%PDF-1.4\n", ""));
  EXPECT_STREQ(".ps", spoolFileEnding(std::string(1020, ' ') + "%PDF-1.4\n", ""));
  EXPECT_STREQ(".ps", spoolFileEnding("%!PS-Adobe-3.0\n% an embedded %PDF-1.4 ...\n", "application/postscript"));
  EXPECT_STREQ(".ps", spoolFileEnding("", ""));
  // CUPS hands it over as a PDF: the converter is to find out it is not.
  EXPECT_STREQ(".pdf", spoolFileEnding("Minutes of the meeting\n", "application/pdf"));
}

class DeliveredFormat : public testsupport::FreshMachineTest {};

TEST_F(DeliveredFormat, IsTheFormatCupsHandsOverNotTheOneTheJobWasPrintedIn) {
  // A PDF printed to a printer of the older description: PostScript arrives.
  machine.setEnv("CONTENT_TYPE", "application/pdf");
  machine.setEnv("FINAL_CONTENT_TYPE", "application/vnd.cups-postscript");
  EXPECT_EQ("application/vnd.cups-postscript", deliveredFormat());
  EXPECT_STREQ(".ps", spoolFileEnding("%!PS-Adobe-3.0\n", deliveredFormat()));
  machine.unsetEnv("FINAL_CONTENT_TYPE");
  EXPECT_EQ("", deliveredFormat());
}

class SpoolFiles : public testsupport::FreshMachineTest {
 protected:
  // Runs writeSpoolFile on `data` as the job's input.
  bool spoolJob(const std::string& data, const std::string& contentType, std::string* written, int* counted) {
    const std::string input = machine.path("input");
    testsupport::writeFile(input, data);
    int fd = ::open(input.c_str(), O_RDONLY);
    EXPECT_GE(fd, 0);
    std::string why;
    bool ok = writeSpoolFile(fd, machine.path(""), contentType, written, counted, &why);
    ::close(fd);
    EXPECT_TRUE(ok) << why;
    return ok;
  }
  std::string path;
  int pages = 0;
};

TEST_F(SpoolFiles, APdfIsWrittenAsItCameWithItsPagesCountedAndPostScriptAsBefore) {
  const std::string document = machine.path("document.pdf");
  ASSERT_EQ(testsupport::makeLinkedPdf(document, "Annual Links", 1), "");
  const std::string pdf = testsupport::readFile(document);
  ASSERT_TRUE(spoolJob(pdf, "application/pdf", &path, &pages));
  EXPECT_EQ(".pdf", path.substr(path.size() - 4));
  EXPECT_EQ(pdf, testsupport::readFile(path));
  EXPECT_EQ(3, pages);

  // Nothing in a PDF is taken for a comment of a PostScript job, and a
  // large one arrives whole.
  const std::string odd = "%PDF-1.4\n%%Title: (Kept as it is)\n%%EndComments\n" + std::string(300000, 'x');
  ASSERT_TRUE(spoolJob(odd, "application/pdf", &path, &pages));
  EXPECT_EQ(odd, testsupport::readFile(path));
  EXPECT_EQ(1, pages) << "an unreadable PDF counts as one page";

  ASSERT_TRUE(spoolJob("%!PS-Adobe-3.0\n%%Title: (Report)\n%%Pages: 4\n%%EndComments\nshowpage\n",
                       "application/postscript", &path, &pages));
  EXPECT_EQ(".ps", path.substr(path.size() - 3));
  EXPECT_EQ("%!PS-Adobe-3.0\n%%Title: Report\n%%Pages: 4\n%%EndComments\nshowpage\n", testsupport::readFile(path));
  EXPECT_EQ(4, pages);

  ASSERT_TRUE(spoolJob("", "application/pdf", &path, &pages));
  EXPECT_EQ(".pdf", path.substr(path.size() - 4));
  EXPECT_EQ("", testsupport::readFile(path));
}

TEST_F(SpoolFiles, PagesOfPdfsThatCannotBeReadCountAsOne) {
  const std::string document = machine.path("document.pdf");
  ASSERT_EQ(testsupport::makeLinkedPdf(document, "Secret"), "");
  const std::string encrypted = machine.path("encrypted.pdf");
  ASSERT_EQ(0, testsupport::run({"qpdf", "--encrypt", "user", "owner", "256", "--", document, encrypted}).exitCode);
  EXPECT_EQ(2, pdfPageCount(document));
  EXPECT_EQ(1, pdfPageCount(encrypted));
  EXPECT_EQ(1, pdfPageCount(machine.path("missing.pdf")));
}

}  // namespace
}  // namespace monitor
}  // namespace vellora
