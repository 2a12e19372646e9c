#include "converter/backends/concatenate.h"

#include <gtest/gtest.h>

#include "testsupport/converter/conversion_test_fixture.h"
#include "converter/backends/interpreter_runner.h"
#include "converter/ui/string_table.h"

namespace vellora {
namespace {

class ConcatenateTest : public ConversionTest {
 protected:
  void SetUp() override {
    ConversionTest::SetUp();
    job->interpreterKind = kNoInterpreter;
    job->viewAfterConversion = 1;
    job->paramsFile = machine.path("params.ps");
    job->prologueFile = machine.path("pro.ps");
    job->epilogueFile = machine.path("epi.ps");
    // Text pieces as Windows writes them: CR LF, a Ctrl-Z ending the text.
    testsupport::writeFile(job->paramsFile, "%params\r\n/a 1 def\r\n\x1Ajunk after the end\r\n");
    testsupport::writeFile(job->prologueFile, "%!PS-Adobe-3.0\n[ /DOCVIEW pdfmark");
    testsupport::writeFile(job->epilogueFile, "%!PS-Adobe-3.0\n /DOCINFO pdfmark\n");
  }
};

TEST_F(ConcatenateTest, BinarySpoolBytesSurviveAndTextPiecesAreReadAsText) {
  std::string spool = "%!PS\r\nbinary: ";
  spool += std::string("\x1A\r\x00\xFF\n\r\n", 7);
  spool += "end";
  testsupport::writeFile(job->spoolFile, spool);

  EXPECT_EQ(runConversionWith(*job, *settings, ""), kConversionDone);
  EXPECT_EQ(job->conversionFailed, 0);
  EXPECT_EQ(job->postScriptOnly, 1);
  EXPECT_EQ(job->viewAfterConversion, 0);
  // The pieces around the spool file are written as text.
  EXPECT_EQ(testsupport::readFile(job->workFile),
            testsupport::textFile("%params\n/a 1 def\n%!PS-Adobe-3.0\n[ /DOCVIEW pdfmark\n") +
                spool + testsupport::textFile("\n%!PS-Adobe-3.0\n /DOCINFO pdfmark\n"));
  EXPECT_TRUE(logHas("\nCommandline:\n\n"));

  const int length = static_cast<int>(spool.size());
  EXPECT_EQ(progressRanges(), std::vector<std::string>{"0.." + std::to_string(length)});
  EXPECT_EQ(positions(), (std::vector<int>{1, length + 1}));
  EXPECT_TRUE(ui.eventsOf("message").empty());
}

TEST_F(ConcatenateTest, AnUnreadableSpoolFileLeavesTheOutputAloneAndShowsNothing) {
  testsupport::writeFile(job->workFile, "previous content");
  runConversionWith(*job, *settings, "");
  EXPECT_EQ(testsupport::readFile(job->workFile), "previous content");
  EXPECT_TRUE(ui.eventsOf("message").empty());
  // An empty or stale file must not be delivered as the job's PostScript.
  EXPECT_EQ(job->conversionFailed, 1);
  EXPECT_TRUE(logHas("\nCould not read the spool file: " + job->spoolFile.str() + "\n"));
}

TEST_F(ConcatenateTest, AnOutputThatCannotBeCreatedIsShownAndFails) {
  testsupport::writeFile(job->spoolFile, "%!PS\n");
  const std::string target = machine.path("no-folder/out.ps");
  EXPECT_EQ(concatenatePostScript(*job, job->paramsFile, job->prologueFile, job->spoolFile,
                                  job->epilogueFile, target),
            0);
  auto messages = ui.eventsOf("message");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0][2], stringTableText(kStrCannotCreatePostScript));
  EXPECT_TRUE(logHas("\nCould not create the PostScript file: " + target + "\n"));
}

}  // namespace
}  // namespace vellora
