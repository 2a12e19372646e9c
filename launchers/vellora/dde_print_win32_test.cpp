// Printing through Excel over DDEML, with the stand-in DDE server as Excel.
// DDE travels in window messages: without a window system (Wine without a
// display) the tests are skipped.
#if defined(_WIN32)

#include <gtest/gtest.h>

#include "launchers/vellora/drop_program.h"
#include "platform/dde.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "scripted_ui/scripted_ui.h"
#include "platform/ui.h"
#include "platform/win32/windows_api.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/stand_in_record.h"

namespace vellora {
namespace {

const std::string kDdeServer = std::string(VELLORA_STANDIN_DIR) + "\\standin-ddeserver.exe";

bool windowSystem() {
  HWND window = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  if (!window) return false;
  DestroyWindow(window);
  return true;
}

class DdePrinting : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    if (!windowSystem()) GTEST_SKIP() << "no window system for DDE";
    platform::setUserInterface(&ui);
    machine.setEnv("VELLORA_STANDIN_LOG", machine.path("started"));
    machine.setEnv("VELLORA_STANDIN_SERVE_MS", "20000");
    put(".xls", "Excel.Sheet.8");
    put("Excel.Sheet.8\\shell\\Open\\command", "\"" + kDdeServer + "\" Excel /e \"%1\"");
    put("Excel.Sheet.8\\shell\\Open\\ddeexec\\Application", "excel");
    book = machine.path("My Books\\q3.xls");
    testsupport::writeFile(book, "workbook");
  }
  void put(const std::string& key, const std::string& value) {
    platform::RegKey k;
    ASSERT_EQ(k.create(platform::HKCR, key), platform::kRegOk);
    ASSERT_EQ(k.setString("", value), platform::kRegOk);
  }
  // The commands the stand-in Excel executed, once `count` have come.
  std::vector<std::string> executed(std::size_t count) {
    std::vector<std::string> commands;
    testsupport::waitUntil([&] {
      commands.clear();
      for (const auto& line : testsupport::readRecord(machine.path("started")))
        if (line.size() == 4 && line[2] == "execute" && !line[3].empty()) commands.push_back(line[3]);
      return commands.size() >= count;
    }, 20000);
    return commands;
  }
  bool excelAnswers() {
    auto client = platform::DdeClient::create(nullptr, nullptr);
    platform::DdeConversation conversation = client->connect("Excel", "System");
    if (conversation) client->disconnect(conversation);
    return conversation != 0;
  }

  platform::ScriptedUi ui;
  std::string book;
};

TEST_F(DdePrinting, ExcelStartedForTheJobIsToldToQuit) {
  runDropProgram(book, 100);
  EXPECT_EQ(executed(1), std::vector<std::string>{"[APP.MINIMIZE][APP.SIZE(0,0)][open(\"" + book +
                                                  "\")][RUN(\"Vellora_Print\")][quit]"});
  EXPECT_TRUE(testsupport::waitUntil([&] { return !excelAnswers(); }));
  EXPECT_TRUE(ui.eventsOf("message").empty());
}

TEST_F(DdePrinting, ARunningExcelKeepsRunning) {
  platform::ChildProcess excel;
  platform::StartOptions options;
  ASSERT_TRUE(excel.start(platform::quoteArgument(kDdeServer) + " Excel", options));
  ASSERT_TRUE(testsupport::waitUntil([&] { return excelAnswers(); }));
  runDropProgram("\"" + book + "\"", 100);
  EXPECT_EQ(executed(1),
            std::vector<std::string>{"[open(\"" + book + "\")][RUN(\"Vellora_Print\")][Close()]"});
  EXPECT_TRUE(excel.running());
  excel.kill();
  excel.wait(platform::kWaitForever);
}

}  // namespace
}  // namespace vellora

#endif
