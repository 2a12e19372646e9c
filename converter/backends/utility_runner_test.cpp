#include "converter/backends/utility_runner.h"

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "converter/backends/utility_commands.h"
#include "platform/files.h"
#include "platform/process.h"
#include "scripted_ui/scripted_ui.h"
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

// A one-page PDF, its cross-reference offsets counted.
std::string onePagePdf() {
  const std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>",
      "<< /Producer (Some Writer) >>"};
  std::string pdf = "%PDF-1.4\n";
  std::vector<std::size_t> offsets;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const std::size_t xref = pdf.size();
  pdf += "xref\n0 5\n0000000000 65535 f \n";
  for (std::size_t offset : offsets) {
    char entry[32];
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
    pdf += entry;
  }
  pdf += "trailer\n<< /Size 5 /Root 1 0 R /Info 4 0 R >>\nstartxref\n" + std::to_string(xref) +
         "\n%%EOF\n";
  return pdf;
}

TEST_F(UtilityRunnerTest, AUtilityInWaitingWorksOnlyWhenLetGo) {
  const std::string in = machine.path("in.pdf"), out = machine.path("out.pdf");
  testsupport::writeFile(in, onePagePdf());
  const std::string command = platform::quoteArgument(VLUTIL_PATH) + " f " +
                              platform::quoteArgument(in) + " " + platform::quoteArgument(out) +
                              " \"Vellora 2.58\"";
  // Never let go: it ends without having touched anything.
  { UtilityInWaiting unused(command); }
  platform::sleepMilliseconds(300);
  EXPECT_FALSE(platform::fileExists(out));
  EXPECT_EQ(job.errorLog.str(), "");

  UtilityInWaiting check(command);
  EXPECT_EQ(check.run(job), kUtilityOk) << job.errorLog.str();
  EXPECT_TRUE(platform::fileExists(out));
  EXPECT_NE(testsupport::readFile(out).find("Vellora 2.58"), std::string::npos);
  EXPECT_EQ(job.errorLog.str(), "\nPro Ret Val: 0\n");
  // No window for it: it runs beside the interpreter's progress window.
  EXPECT_TRUE(ui.eventsOf("window").empty());
}

TEST_F(UtilityRunnerTest, AUtilityThatCannotWaitIsRunWhenLetGo) {
  UtilityInWaiting missing("\"" + machine.path("missing") + "\" f a b c");
  EXPECT_EQ(missing.run(job), kUtilityNotStarted);
  EXPECT_NE(job.errorLog.str().find("Could not start the PDF utility"), std::string::npos);
  EXPECT_NE(job.errorLog.str().find("\nPro Ret Val: -1\n"), std::string::npos);
}

}  // namespace
}  // namespace vellora
