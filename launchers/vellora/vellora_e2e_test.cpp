// The drop program as users start it, with the real converter behind it.
#include <gtest/gtest.h>

#include "testsupport/converter/vlconv_test_support.h"
#include "testsupport/pdf_documents.h"

namespace vellora {
namespace e2e {
namespace {

class DroppedFiles : public VlconvTest {
 protected:
  void SetUp() override {
    VlconvTest::SetUp();
    dropProgram = product + kSep + "vellora" + platform::kExeSuffix;
    ASSERT_TRUE(platform::copyFile(VLCONV_PATH, product + kSep + "vlconv" + platform::kExeSuffix, false));
    ASSERT_TRUE(platform::copyFile(VELLORA_DROP_PROGRAM, dropProgram, false));
    options("Vellora", "DefaultPath=" + outDir + kSep + "\nSuppressDialog=true\nAutoNameTitle=true\n");
  }
  std::string dropProgram;
};

TEST_F(DroppedFiles, APostScriptFileIsConvertedAndStaysInPlace) {
  const std::string job = spool(postScriptJob("Dropped Report", 3), "dropped report.ps");
  // The converter holds the output streams it inherited, so the run ends
  // with the conversion.
  testsupport::RunResult result = testsupport::run({dropProgram, job});
  EXPECT_EQ(result.exitCode, 0) << result.output;
  const std::string pdf = outDir + kSep + "Dropped Report.pdf";
  ASSERT_TRUE(platform::fileExists(pdf)) << result.output;
  EXPECT_EQ(pdfinfo(pdf, "Pages"), "3");
  EXPECT_EQ(testsupport::readFile(job), postScriptJob("Dropped Report", 3));
  EXPECT_TRUE(messages().empty());
}

TEST_F(DroppedFiles, APdfFileIsConvertedAsItIsAndStaysInPlace) {
  // Without a title of its own the document is named after its file.
  const std::string pdf = machine.path("budget plan.pdf");
  ASSERT_EQ(testsupport::makeLinkedPdf(pdf, ""), "");
  const std::string original = testsupport::readFile(pdf);
  testsupport::RunResult result = testsupport::run({dropProgram, pdf});
  EXPECT_EQ(result.exitCode, 0) << result.output;
  const std::string made = outDir + kSep + "budget plan.pdf";
  ASSERT_TRUE(platform::fileExists(made)) << result.output;
  EXPECT_EQ(testsupport::pdfLinkUris(made), std::vector<std::string>{testsupport::kLinkedPdfUri});
  EXPECT_EQ(testsupport::pdfBookmarks(made), (std::vector<std::string>{"Chapter One@1", "Chapter Two@2"}));
  EXPECT_EQ(testsupport::readFile(pdf), original);
  EXPECT_TRUE(messages().empty());
}

TEST_F(DroppedFiles, SeveralFilesOnOneCommandLineAreRefusedWithAMessage) {
  const std::string one = spool(postScriptJob("One", 1), "one.ps");
  const std::string two = spool(postScriptJob("Two", 1), "two.ps");
  testsupport::RunResult result = testsupport::run({dropProgram, one, two});
  EXPECT_EQ(result.exitCode, 0);
  std::vector<std::string> made;
  platform::listDirectory(outDir, "*", &made);
  EXPECT_TRUE(made.empty());
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_NE(messages()[0].find("one file at a time"), std::string::npos);
}

}  // namespace
}  // namespace e2e
}  // namespace vellora
