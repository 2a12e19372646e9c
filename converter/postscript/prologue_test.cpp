#include "converter/postscript/prologue.h"

#include <cstring>
#include <memory>

#include <gtest/gtest.h>

#include "converter/postscript/view_choices.h"
#include "platform/files.h"
#include "testsupport/fresh_machine.h"

namespace vellora {
namespace {

std::unique_ptr<SettingsRecord> zeroSettings() {
  std::unique_ptr<SettingsRecord> settings(new SettingsRecord);
  std::memset(settings.get(), 0, sizeof(SettingsRecord));
  return settings;
}

TEST(PrologueText, DefaultsFitThePageWithBookmarksClosed) {
  auto settings = zeroSettings();
  EXPECT_EQ(prologueText(*settings),
            " \n"
            "\n"
            "%!PS-Adobe-3.0\n"
            "[ /Type /Catalog \n"
            "/View [/XYZ null null 1.0 ]\n"
            "/PageLayout /SinglePage\n"
            "/ViewerPreferences << /NonFullScreenPageMode /None /HideToolbar false /HideMenubar "
            "false /DisplayDocTitle false /HideWindowUI false >>\n"
            "/PageMode /None\n"
            " /OpenAction [ 0 /Fit ]\n"
            " /DOCVIEW pdfmark\n"
            "\n"
            "<< /AutoRotatePages /None >> setdistillerparams\n"
            "\n"
            "%\n");
}

TEST(PrologueText, FitWidthFullScreenWithThumbnails) {
  auto settings = zeroSettings();
  settings->ViewZoom = 1;
  settings->ViewFullScreen = 1;
  settings->ViewMenus = 2;
  settings->ViewToolBar = 1;
  settings->ViewPDFTitle = 1;
  settings->ViewLayout = 2;
  settings->AutoRotate = 1;
  EXPECT_EQ(prologueText(*settings),
            " \n\n%!PS-Adobe-3.0\n"
            "[ /Type /Catalog \n/View [/XYZ null null 1.0 ]\n"
            "/PageLayout /TwoPageRight\n"
            "/ViewerPreferences << /NonFullScreenPageMode /UseThumbs /HideToolbar true "
            "/HideMenubar false /DisplayDocTitle true /HideWindowUI false >>\n"
            "/PageMode /FullScreen\n /OpenAction [ 0 /FitH ]\n /DOCVIEW pdfmark\n\n"
            "<< /AutoRotatePages /PageByPage >> setdistillerparams\n\n%\n");
}

TEST(PrologueText, HiddenUserInterfaceAndForcedLandscape) {
  auto settings = zeroSettings();
  settings->ViewZoom = 7;  // 125%
  settings->ViewMenus = 3;
  settings->ViewMenuBar = 1;
  settings->ViewLayout = 4;
  settings->AutoRotate = 3;
  EXPECT_EQ(prologueText(*settings),
            " \n\n%!PS-Adobe-3.0\n"
            "[ /Type /Catalog \n/View [/XYZ null null 1.3 ]\n"
            "/PageLayout /TwoColumnRight\n"
            "/ViewerPreferences << /NonFullScreenPageMode /None /HideToolbar false "
            "/HideMenubar true /DisplayDocTitle false /HideWindowUI true >>\n"
            "/PageMode /None\n /DOCVIEW pdfmark\n\n"
            "<< /AutoRotatePages /None >> setdistillerparams\n\n<</Orientation 3>> setpagedevice"
            "\n\n%\n");
}

TEST(PrologueText, ValuesOutsideTheTablesFallBack) {
  auto settings = zeroSettings();
  settings->ViewZoom = 12;
  settings->ViewLayout = -1;
  settings->ViewMenus = 4;
  settings->AutoRotate = 9;
  settings->ViewFullScreen = 2;  // only 1 means on
  EXPECT_EQ(prologueText(*settings),
            " \n\n%!PS-Adobe-3.0\n"
            "[ /Type /Catalog \n/View [/XYZ null null 1.0 ]\n"
            "/PageLayout /SinglePage\n"
            "/ViewerPreferences << /NonFullScreenPageMode /UseOutlines /HideToolbar false "
            "/HideMenubar false /DisplayDocTitle false /HideWindowUI false >>\n"
            "/PageMode /UseOutlines\n /DOCVIEW pdfmark\n\n\n\n%\n");
}

TEST(ZoomText, EveryTableZoomWithHalvesRoundedAwayFromZero) {
  const char* expected[kViewZoomChoiceCount] = {"1.0", "1.0", "1.0", "0.1", "0.3", "0.5",
                                                "0.8", "1.3", "1.5", "2.0", "4.0", "8.0"};
  for (std::size_t i = 0; i < kViewZoomChoiceCount; ++i)
    EXPECT_EQ(formatZoom(kViewZoomChoices[i].zoomHundredths), expected[i])
        << kViewZoomChoices[i].shownAs;
  EXPECT_EQ(formatZoom(-25), "-0.3");
  EXPECT_EQ(formatZoom(4), "0.0");
}

using PrologueFileTest = testsupport::FreshMachineTest;

TEST_F(PrologueFileTest, WrittenUnderAFreshTemporaryName) {
  std::unique_ptr<JobRecord> job(new JobRecord);
  job->tempDir = machine.path("work");
  ASSERT_TRUE(platform::createDirectory(job->tempDir));
  auto settings = zeroSettings();
  settings->ViewZoom = 4;

  std::string first, second;
  ASSERT_EQ(writePrologue(*job, *settings, &first), 1);
  ASSERT_EQ(writePrologue(*job, *settings, &second), 1);
  EXPECT_NE(first, second);
  const std::string folder = job->tempDir.str() + platform::kPathSeparator;
  EXPECT_EQ(first.compare(0, folder.size() + 3, folder + "vlp"), 0) << first;
  EXPECT_EQ(testsupport::readFile(first), testsupport::textFile(prologueText(*settings)));
  EXPECT_NE(testsupport::readFile(first).find("null null 0.3 ]"), std::string::npos);
}

TEST_F(PrologueFileTest, AFolderThatCannotBeWrittenIsLogged) {
  std::unique_ptr<JobRecord> job(new JobRecord);
  job->tempDir = machine.path("missing");
  auto settings = zeroSettings();
  std::string path = "old";
  EXPECT_EQ(writePrologue(*job, *settings, &path), 0);
  EXPECT_TRUE(path.empty());
  EXPECT_EQ(job->errorLog.str(), "\nError creating prologue file: " + job->tempDir.str() + "\n");
  EXPECT_EQ(writeEpilogue(*job, *settings, &path), 0);
  EXPECT_NE(job->errorLog.str().find("\nError creating epilogue file: " + job->tempDir.str() + "\n"),
            std::string::npos);
}

}  // namespace
}  // namespace vellora
