#include "converter/job/pipeline.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "testsupport/fresh_machine.h"

namespace vellora {
namespace {

const std::string kSep = platform::kPathSeparator;

class FileTypeTest : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    job.tempDir = machine.path("work");
    platform::createDirectories(job.tempDir);
    job.interpreterKind = kGhostscript;
    options.fileTypes = {{"TIFF Fax (*.tif)", "*.tif", 1}, {"PNG (*.png)", "*.png", 0}};
    applyFileTypeOptions(job, options);
  }
  JobRecord job;
  CommandOptions options;
};

TEST_F(FileTypeTest, DefaultsFollowTheInterpreterAndTheOptionsFile) {
  EXPECT_EQ(job.defaultExtension, "pdf");
  EXPECT_EQ(job.defaultFilterIndex, 1);
  EXPECT_EQ(job.convertedTypeFlags, (std::vector<int>{1, 0}));

  JobRecord postScript;
  postScript.interpreterKind = kNoInterpreter;
  applyFileTypeOptions(postScript, CommandOptions());
  EXPECT_EQ(postScript.defaultExtension, "ps");
  EXPECT_EQ(postScript.filterIndex, 2);

  options.hasDefaultFileType = true;
  options.defaultFileType = "tif";
  options.defaultExtIndex = 3;
  applyFileTypeOptions(job, options);
  EXPECT_EQ(job.defaultExtension, "tif");
  EXPECT_EQ(job.filterIndex, 3);
}

TEST_F(FileTypeTest, AnIndexNamingNoTypeIsTheDefaultAndNamesSayWhatTheFileHolds) {
  for (int index : {-1, 5, 1000}) {
    options.defaultExtIndex = index;
    applyFileTypeOptions(job, options);
    EXPECT_EQ(job.filterIndex, 1) << index;
    EXPECT_EQ(job.defaultExtension, "pdf") << index;
  }
  options.defaultExtIndex = 2;
  applyFileTypeOptions(job, options);
  EXPECT_EQ(job.defaultExtension, "ps");
  options.defaultExtIndex = 4;
  applyFileTypeOptions(job, options);
  EXPECT_EQ(job.defaultExtension, "png");

  // Without an interpreter there is no PDF to make.
  JobRecord postScript;
  postScript.interpreterKind = kNoInterpreter;
  options.defaultExtIndex = 1;
  applyFileTypeOptions(postScript, options);
  EXPECT_EQ(postScript.filterIndex, 2);
  EXPECT_EQ(postScript.defaultExtension, "ps");
}

TEST_F(FileTypeTest, NumberedNamesAreClaimedWithThePdfEnding) {
  job.nameClaim = kClaimCounter;
  job.claimExtension = "ps";
  job.outputPath = "/d/Report.ps";
  fitOutputExtension(job);
  EXPECT_EQ(job.outputPath.str(), "/d/Report.ps.pdf");
  EXPECT_EQ(job.claimExtension, "ps.pdf");
}

TEST_F(FileTypeTest, APdfNameEndsInPdfWhateverItsLetterCase) {
  job.outputPath = "/d/Report";
  fitOutputExtension(job);
  EXPECT_EQ(job.outputPath.str(), "/d/Report.pdf");
  job.outputPath = "/d/LOUD.Pdf";
  fitOutputExtension(job);
  EXPECT_EQ(job.outputPath.str(), "/d/LOUD.Pdf");
}

TEST_F(FileTypeTest, AConvertedTypeKeepsItsTargetAndMakesThePdfUnderATemporaryName) {
  job.filterIndex = 3;
  job.outputPath = "/d/Fax.pdf";
  fitOutputExtension(job);
  EXPECT_EQ(job.convertTarget.str(), "/d/Fax.tif");
  std::string expectedStart = job.tempDir.str() + kSep + "Converting with Rasmere__";
  EXPECT_EQ(job.outputPath.str().substr(0, expectedStart.size()), expectedStart);
  EXPECT_EQ(job.outputPath.str().substr(job.outputPath.size() - 8), ".tmp.pdf");
  EXPECT_FALSE(platform::fileExists(job.outputPath));

  // A name without an extension loses none of its characters.
  job.outputPath = "/d/myreport";
  fitOutputExtension(job);
  EXPECT_EQ(job.convertTarget.str(), "/d/myreport.tif");

  // A type the interpreter makes itself keeps the name as chosen.
  job.filterIndex = 4;
  job.convertTarget.clear();
  job.outputPath = "/d/picture.png";
  fitOutputExtension(job);
  EXPECT_EQ(job.outputPath.str(), "/d/picture.png");
  EXPECT_TRUE(job.convertTarget.empty());
}

}  // namespace
}  // namespace vellora
