// The runner with the stand-in recorder as interpreter: what it prints and
// how it ends is set through its environment.
#include "converter/backends/interpreter_runner.h"

#include <gtest/gtest.h>

#include "common/text.h"
#include "testsupport/converter/conversion_test_fixture.h"
#include "platform/process.h"
#include "platform/system.h"

namespace vellora {
namespace {

class RunnerTest : public ConversionTest {
 protected:
  void SetUp() override {
    ConversionTest::SetUp();
    job->interpreterKind = kGhostscript;
    job->interpreterExe = standin("standin-recorder");
    job->includePath = "\"\"";
    recordStandins();
  }
  void interpreterPrints(const std::string& text) { machine.setEnv("VELLORA_STANDIN_OUTPUT", text); }
  void interpreterExits(const std::string& code) { machine.setEnv("VELLORA_STANDIN_EXIT", code); }
  void workFileHolds(const std::string& bytes) { testsupport::writeFile(job->workFile, bytes); }
};

TEST_F(RunnerTest, ASuccessfulRunLogsItsCommandAndNothingElse) {
  workFileHolds("%PDF-1.4 stand-in");
  EXPECT_EQ(runConversionWith(*job, *settings, ""), kConversionDone);
  EXPECT_EQ(job->conversionFailed, 0);

  const std::string commandFile = commandFilePath(job->tempDir, job->workFile);
  EXPECT_EQ(job->commandFile, commandFile);
  // Written as a text file; the log holds the text.
  const std::string text = withNewlines(testsupport::readFile(commandFile));
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');  // Ghostscript needs the last quoted name ended
  EXPECT_TRUE(logHas("\nCommand File Text:\n" + text.substr(0, text.size() - 1) + "\n"));
  EXPECT_TRUE(logHas("\nCommandline:\n" + job->interpreterExe.str() + " @\"" + commandFile + "\"\n"));
  EXPECT_FALSE(logHas("Postscript Converter Output"));
  EXPECT_EQ(progressRanges(), std::vector<std::string>{"0..2"});  // a one-page job

  auto runs = recorded();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0], (std::vector<std::string>{job->interpreterExe.str(), "@" + commandFile}));
  std::string temp;
  ASSERT_TRUE(platform::getEnvironment("TEMP", &temp));
  EXPECT_EQ(temp, job->tempDir.str());
  ASSERT_TRUE(platform::getEnvironment("TMPDIR", &temp));
  EXPECT_EQ(temp, job->tempDir.str());
}

TEST_F(RunnerTest, ErrorAsTheFirstWordFailsWithTheOutputLogged) {
  workFileHolds("%PDF-1.4 left behind");
  interpreterPrints("Error: /undefined in foo\nOperand stack:\n");
  interpreterExits("0");
  EXPECT_EQ(runConversionWith(*job, *settings, ""), kConversionDone);
  EXPECT_EQ(job->conversionFailed, 1);
  EXPECT_TRUE(logHas("\nPostscript Converter Output:\nError: /undefined in foo\nOperand stack:\n"));
}

TEST_F(RunnerTest, EncryptedPdfIsReported) {
  interpreterPrints("**** Error: encrypted PDF, no password\n");
  interpreterExits("1");
  EXPECT_EQ(runConversionWith(*job, *settings, ""), kConversionEncrypted);
  EXPECT_EQ(job->conversionFailed, 1);
}

TEST_F(RunnerTest, PagesPrintedMoveTheBarOneStepEach) {
  workFileHolds("%PDF-1.4");
  job->pageCount = 3;
  interpreterPrints("Page    1\nPage    2\nPage    3\n");
  runConversionWith(*job, *settings, "");
  EXPECT_EQ(job->conversionFailed, 0);
  EXPECT_EQ(progressRanges(), std::vector<std::string>{"0..3"});
  // The running total starts at 1 and the bar stands one above it.
  EXPECT_EQ(positions(), (std::vector<int>{1, 3, 4, 5}));
  EXPECT_EQ(ui.eventsOf("window"),
            (std::vector<std::vector<std::string>>{{"open", "103", ""}, {"close", "103", "0"}}));
}

TEST_F(RunnerTest, ANonZeroExitWithoutErrorTextFailsGhostscriptJobs) {
  workFileHolds("%PDF-1.4 half written");
  interpreterPrints("something went wrong\n");
  interpreterExits("3");
  runConversionWith(*job, *settings, "");
  EXPECT_EQ(job->conversionFailed, 1);
  EXPECT_TRUE(logHas("\nPostscript Converter Output:\nsomething went wrong\n"));
  EXPECT_TRUE(logHas("\nPostScript interpreter exit code: 3\n"));
}

TEST_F(RunnerTest, ACrashedInterpreterFails) {
  workFileHolds("%PDF-1.4 half written");
  interpreterExits("abort");
  // The status a crashed program ends with: 128 + SIGABRT on POSIX, 3 on
  // Windows.
  const int crashed = testsupport::run({job->interpreterExe.str()}).exitCode;
  ASSERT_NE(crashed, 0);
  runConversionWith(*job, *settings, "");
  EXPECT_EQ(job->conversionFailed, 1);
  EXPECT_TRUE(logHas("\nPostScript interpreter exit code: " + std::to_string(crashed) + "\n"))
      << log();
}

TEST_F(RunnerTest, AnInterpreterSilentPastTheLimitIsStoppedAndFails) {
  workFileHolds("%PDF-1.4 half written");
  machine.setEnv("VELLORA_STANDIN_SLEEP_MS", "20000");
  setInterpreterSilenceLimit(300);
  std::uint64_t before = platform::tickMilliseconds();
  runConversionWith(*job, *settings, "");
  setInterpreterSilenceLimit(0);
  EXPECT_LT(platform::tickMilliseconds() - before, 10000u);
  EXPECT_EQ(job->conversionFailed, 1);
  EXPECT_TRUE(logHas("\nThe PostScript interpreter gave no sign of progress for 0 seconds and "
                     "was stopped\n")) << log();
}

TEST_F(RunnerTest, AnEmptyResultAfterAQuietRunFails) {
  runConversionWith(*job, *settings, "");
  EXPECT_EQ(job->conversionFailed, 1);
  EXPECT_TRUE(logHas("\nThe PostScript interpreter wrote no output: " + job->workFile.str() + "\n"));
}

TEST_F(RunnerTest, AnInterpreterThatCannotBeStartedFails) {
  job->interpreterExe = machine.path("no-such-gs");
  EXPECT_EQ(runConversionWith(*job, *settings, ""), kConversionDone);
  EXPECT_EQ(job->conversionFailed, 1);
  EXPECT_TRUE(logHas("\nCould not start the PostScript interpreter: " + job->interpreterExe.str()));
  EXPECT_TRUE(ui.eventsOf("progress").empty());
}

TEST_F(RunnerTest, AnUnknownKindRunsNothingAndFails) {
  job->interpreterKind = kUnknownInterpreter;
  EXPECT_EQ(runConversionWith(*job, *settings, ""), kConversionDone);
  EXPECT_EQ(job->conversionFailed, 1);
  EXPECT_TRUE(logHas("\nCommandline:\n\n"));
  EXPECT_TRUE(logHas("\nNo PostScript interpreter of kind -3 can be run\n"));
  EXPECT_TRUE(recorded().empty());
  EXPECT_FALSE(platform::fileExists(commandFilePath(job->tempDir, job->workFile)));
}

TEST_F(RunnerTest, ACommandFileThatCannotBeWrittenCallsForTheErrorReport) {
  job->tempDir = machine.path("gone");
  EXPECT_EQ(runConversionWith(*job, *settings, ""), kConversionNoCommandFile);
  EXPECT_TRUE(logHas("\nError creating command file: " + commandFilePath(job->tempDir, job->workFile) + "\n"));
  EXPECT_TRUE(recorded().empty());
}

TEST_F(RunnerTest, AnExtraTypeIsJudgedByTheFileAtTheOutputPath) {
  job->filterIndex = 3;
  job->extraFileTypes = {{"TIFF", "*.tif", 0}};
  job->outputPath = machine.path("out.tif");
  workFileHolds("not where the result goes");
  runConversionWith(*job, *settings, "-sDEVICE=tiffg4");
  EXPECT_EQ(job->conversionFailed, 1);
  EXPECT_TRUE(logHas("\nThe PostScript interpreter wrote no output: " + job->outputPath.str() + "\n"));
  EXPECT_NE(testsupport::readFile(commandFilePath(job->tempDir, job->workFile))
                .find(testsupport::textFile("\n-sDEVICE=tiffg4\n")),
            std::string::npos);
}

}  // namespace
}  // namespace vellora
