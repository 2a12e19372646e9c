// Distiller and PStill command lines reaching stand-ins for those programs.
#include <gtest/gtest.h>

#include "testsupport/converter/conversion_test_fixture.h"
#include "converter/backends/interpreter_runner.h"

namespace vellora {
namespace {

class StandinBackendTest : public ConversionTest {
 protected:
  void SetUp() override {
    ConversionTest::SetUp();
    recordStandins();
    job->prologueFile = machine.path("work/vlp0001.tmp");
    job->epilogueFile = machine.path("work/vle0002.tmp");
    testsupport::writeFile(job->prologueFile, "%!PS-Adobe-3.0\n");
    testsupport::writeFile(job->epilogueFile, "%!PS-Adobe-3.0\n");
    testsupport::writeFile(job->spoolFile, "%!PS\nshowpage\n");
  }

  void useDistiller() {
    job->interpreterKind = kDistiller;
    job->interpreterExe = standin("standin-distiller");
  }
  void usePresetFile() {
    job->presetFilesInUse = 1;
    job->pdfSettingsName = machine.path("QOptions/Press.joboptions");
    testsupport::writeFile(job->pdfSettingsName, "<< >> setdistillerparams\n");
  }

  int pagesOf(const std::string& pdf) { return pageCountOf(pdf); }

  std::vector<std::string> onlyRun() {
    auto runs = recorded();
    EXPECT_EQ(runs.size(), 1u);
    return runs.empty() ? std::vector<std::string>() : runs[0];
  }
};

TEST_F(StandinBackendTest, DistillerGetsTheSpoolFileAlone) {
  useDistiller();
  EXPECT_EQ(runConversionWith(*job, *settings, ""), kConversionDone);
  EXPECT_EQ(job->conversionFailed, 0) << log();
  EXPECT_EQ(onlyRun(), (std::vector<std::string>{job->interpreterExe, "/V", "/N", "/Q", "/O",
                                                 job->outputPath, job->spoolFile}));
  EXPECT_EQ(pagesOf(job->outputPath), 1);
  EXPECT_TRUE(job->commandFile.empty());
  EXPECT_TRUE(ui.eventsOf("progress").empty());
}

TEST_F(StandinBackendTest, Distiller6GetsTheFilesJoinedByCommas) {
  useDistiller();
  usePresetFile();
  job->distiller6Syntax = 1;
  runConversionWith(*job, *settings, "");
  EXPECT_EQ(job->conversionFailed, 0) << log();
  EXPECT_EQ(onlyRun(),
            (std::vector<std::string>{
                job->interpreterExe, "--nosecurity", "--deletelog:on", "/V", "/N", "/Q", "/J",
                job->pdfSettingsName, "/O", job->outputPath,
                job->prologueFile.str() + "," + job->epilogueFile.str() + "," + job->spoolFile.str()}));
  EXPECT_EQ(pagesOf(job->outputPath), 1);
}

TEST_F(StandinBackendTest, OlderDistillerGetsThePresetAfterTheOutput) {
  useDistiller();
  usePresetFile();
  runConversionWith(*job, *settings, "");
  EXPECT_EQ(job->conversionFailed, 0) << log();
  EXPECT_EQ(onlyRun(), (std::vector<std::string>{job->interpreterExe, "/V", "/N", "/Q", "/O",
                                                 job->outputPath, "/J", job->pdfSettingsName,
                                                 job->prologueFile, job->epilogueFile,
                                                 job->spoolFile}));
  EXPECT_EQ(pagesOf(job->outputPath), 1);
}

TEST_F(StandinBackendTest, DistillerThatWritesNothingFails) {
  useDistiller();
  platform::deleteFile(job->spoolFile);  // the stand-in refuses a missing input
  runConversionWith(*job, *settings, "");
  EXPECT_EQ(job->conversionFailed, 1);
  EXPECT_TRUE(logHas("\nThe PostScript interpreter wrote no output: " + job->outputPath.str()));
}

TEST_F(StandinBackendTest, PStillReadsItsArgumentFile) {
  job->interpreterKind = kPStill;
  job->interpreterExe = standin("standin-pstill");
  job->paramsFile = "";  // no "params.ps": its empty name gives no argument
  settings->PDFLevel = 1;
  runConversionWith(*job, *settings, "");
  EXPECT_EQ(job->conversionFailed, 0) << log();
  EXPECT_EQ(onlyRun(),
            (std::vector<std::string>{job->interpreterExe, "-m", "Xusesrctransp", "-c", "-c", "-i",
                                      "-K", "-p", "-t", "-2", "-a", "4", "-l", "1", "-R", "0", "-d",
                                      "200", "-v", "-M", "forcepdflevel=13", "-i", "-p", "-C",
                                      "-f", "-g", "-2", "-c", "-T", job->tempDir, "-o",
                                      job->workFile, job->prologueFile, job->spoolFile}));
  EXPECT_EQ(pagesOf(job->workFile), 1);
  // PStill's argument file is written as it always was, without a closing line end.
  const std::string text = testsupport::readFile(job->commandFile);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '"');
}

}  // namespace
}  // namespace vellora
