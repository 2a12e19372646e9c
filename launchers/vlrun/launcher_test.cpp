// vlrun: what reaches the converter, and that it does not wait for it.
#include "launchers/vlrun/launcher.h"

#include <gtest/gtest.h>

#include "testsupport/converter/vlconv_test_support.h"
#include "platform/process.h"
#include "platform/system.h"
#include "testsupport/stand_in_record.h"

namespace vellora {
namespace e2e {
namespace {

TEST(LauncherCommand, TheCommandLineIsForwardedUnchangedOrNotAtAll) {
  // The converter's name in a folder, as this platform spells it.
  auto vlconvIn = [](const std::string& folder) {
    return folder + platform::kPathSeparator + "vlconv" + platform::kExeSuffix;
  };
  EXPECT_EQ(launcherCommand("/opt/vellora", "9993 \"job with blanks.ps\" \"say \\\"hi\\\"\""),
            vlconvIn("/opt/vellora") + " 9993 \"job with blanks.ps\" \"say \\\"hi\\\"\"");
  EXPECT_EQ(launcherCommand("/opt/my vellora", "1 a.ps"),
            "\"" + vlconvIn("/opt/my vellora") + "\" 1 a.ps");
  EXPECT_EQ(launcherCommand("", ""), vlconvIn("") + " ");
  const std::string fits(779 - (vlconvIn("/p") + " ").size(), 'x');
  EXPECT_EQ(launcherCommand("/p", fits).size(), 779u);
  EXPECT_EQ(launcherCommand("/p", fits + "x"), "");
}

class Launcher : public VlconvTest {
 protected:
  void SetUp() override {
    VlconvTest::SetUp();
    ASSERT_TRUE(platform::copyFile(VLCONV_PATH, product + kSep + "vlconv" + platform::kExeSuffix, false));
    ASSERT_TRUE(platform::copyFile(VLRUN_PATH, product + kSep + "vlrun" + platform::kExeSuffix, false));
    options("Vellora", "DefaultPath=" + outDir + kSep + "\nSuppressDialog=true\nAutoNameTitle=true\n");
  }
};

TEST_F(Launcher, ConvertsAUsersFileAndHasEndedBeforeTheConversionFinishes) {
  // A job that keeps the interpreter busy for a second and a half.
  std::string job = postScriptJob("Launched", 1);
  job.insert(job.find("%%Page: 1"),
             "/t0 realtime def { realtime t0 sub 1500 gt { exit } if } loop\n");
  const std::string mine = spool(job, "job with blanks.ps");
  const std::string pdf = outDir + kSep + "Launched.pdf";

  platform::ChildProcess vlrun;
  platform::StartOptions options;
  ASSERT_TRUE(vlrun.start(platform::quoteArgument(product + kSep + "vlrun" + platform::kExeSuffix) + " 9993 " +
                              platform::quoteArgument(mine),
                          options));
  ASSERT_EQ(vlrun.wait(10000), platform::kWaitDone);
  EXPECT_EQ(vlrun.exitCode(), 0);
  EXPECT_FALSE(platform::fileExists(pdf)) << "vlrun waited for the conversion";

  EXPECT_TRUE(testsupport::waitUntil([&] { return platform::fileExists(pdf); }, 60000));
  // The PDF is complete once the converter has left its working folder.
  EXPECT_TRUE(testsupport::waitUntil([&] { return filesLeftInWorkFolder().empty(); }, 30000));
  EXPECT_EQ(pdfinfo(pdf, "Pages"), "1");
  EXPECT_EQ(testsupport::readFile(mine), job);
}

TEST_F(Launcher, ATooLongCommandLineStartsNothing) {
  const std::string mine = spool(postScriptJob("Long", 1), "long.ps");
  testsupport::RunResult result =
      testsupport::run({product + kSep + "vlrun" + platform::kExeSuffix, "9993", mine, std::string(800, 'x')});
  EXPECT_EQ(result.exitCode, 1);
  platform::sleepMilliseconds(300);
  std::vector<std::string> made;
  platform::listDirectory(outDir, "*", &made);
  EXPECT_TRUE(made.empty());
}

}  // namespace
}  // namespace e2e
}  // namespace vellora
