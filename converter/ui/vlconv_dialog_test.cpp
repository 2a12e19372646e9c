// Whole jobs through the real vlconv and Ghostscript, named in the Save PDF
// dialog as a user would, or without it when nobody can be asked.
#include <gtest/gtest.h>

#include "converter/job/vlconv_test_support.h"

namespace vellora {
namespace e2e {
namespace {

class DialogJobs : public VlconvTest {};

TEST_F(DialogJobs, WithoutDesktopOrScriptAPrintedJobIsSavedNotDropped) {
  machine.unsetEnv("VELLORA_UI_SCRIPT");
  setUserString("SOFTWARE\\Norvale\\Vellora", "LastDirectory", outDir);
  testsupport::writeFile(outDir + kSep + "Budget.pdf", "the user's own file");
  std::string job = spool(postScriptJob("Budget", 2));
  auto result = print(job, "Vellora", 2);
  ASSERT_EQ(result.exitCode, 0) << result.output;
  std::string pdf = outDir + kSep + "Budget1.pdf";
  ASSERT_TRUE(platform::fileExists(pdf));
  EXPECT_EQ(pdfinfo(pdf, "Pages"), "2");
  EXPECT_EQ(testsupport::readFile(outDir + kSep + "Budget.pdf"), "the user's own file");
  std::string log = testsupport::readFile(product + kSep + "vlconv.log");
  EXPECT_NE(log.find("No Save PDF dialog was shown: none: no desktop user interface and no script"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find(pdf), std::string::npos);
  EXPECT_FALSE(platform::fileExists(job));
  EXPECT_TRUE(filesLeftInWorkFolder().empty());
}

}  // namespace
}  // namespace e2e
}  // namespace vellora
