#include "converter/backends/utility_runner.h"

#include <gtest/gtest.h>

#include "converter/backends/utility_commands.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/scripted_ui.h"
#include "platform/system.h"
#include "platform/ui.h"
#include "testsupport/fresh_machine.h"

namespace vellora {
namespace {

const std::string kRecorder =
    platform::quoteArgument(std::string(VELLORA_STANDIN_DIR) + platform::kPathSeparator +
                            "standin-recorder");

class UtilityRunnerTest : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    platform::setUserInterface(&ui);
    job.messageCaption = "Vellora";
  }
  void TearDown() override { platform::setUserInterface(nullptr); }
  platform::ScriptedUi ui;
  JobRecord job;
};

TEST_F(UtilityRunnerTest, TheExitCodeComesBackAndIsLoggedWithTheStatusWindowShown) {
  machine.setEnv("VELLORA_STANDIN_EXIT", "8");
  machine.setEnv("VELLORA_STANDIN_OUTPUT", "vlutil: wrong password\n");
  EXPECT_EQ(runUtility(job, kRecorder + " c a b", true, "Parsing and joining PDF files..."), 8);
  // What the utility said is kept for the log, not left on the console.
  EXPECT_EQ(job.errorLog.str(),
            "\nUtility Output:\nvlutil: wrong password\n\n\nPro Ret Val: 8\n");
  using Fields = std::vector<std::string>;
  EXPECT_EQ(ui.eventsOf("window"), (std::vector<Fields>{{"open", "144", "Vellora"},
                                                        {"show", "144"},
                                                        {"close", "144", "0"}}));
  EXPECT_EQ(ui.eventsOf("text"),
            (std::vector<Fields>{{"144", "1046", "Parsing and joining PDF files..."}}));
  auto cursor = ui.eventsOf("cursor");
  ASSERT_EQ(cursor.size(), 2u);
  EXPECT_EQ(cursor[0][0], "wait");
  EXPECT_EQ(cursor[1][0], "arrow");
}

TEST_F(UtilityRunnerTest, AUtilityThatRunsTooLongIsStoppedAndCounts99) {
  machine.setEnv("VELLORA_STANDIN_SLEEP_MS", "30000");
  std::uint64_t before = platform::tickMilliseconds();
  EXPECT_EQ(runUtility(job, kRecorder + " e", true, "Setting document permissions on PDF file...", 300),
            kUtilityFailureTopmost);
  EXPECT_LT(platform::tickMilliseconds() - before, 10000u);
  EXPECT_EQ(job.errorLog.str(), "\nPro Ret Val: 99\n");
  ASSERT_FALSE(ui.eventsOf("window").empty());
  EXPECT_EQ(ui.eventsOf("window").back()[0], "close");
}

TEST_F(UtilityRunnerTest, AUtilityThatCannotStartGivesACodeOutsideTheNamedOnes) {
  int code = runUtility(job, "\"" + machine.path("missing") + "\" i x", true, "Examining");
  EXPECT_EQ(code, kUtilityNotStarted);
  EXPECT_NE(job.errorLog.str().find("Could not start the PDF utility"), std::string::npos);
  EXPECT_NE(job.errorLog.str().find("\nPro Ret Val: -1\n"), std::string::npos);
}

}  // namespace
}  // namespace vellora
