// Where nobody can be asked: every question takes the answer that loses
// nothing, no dialog pretends to have been shown, and the record says so.
#include "platform/headless_ui.h"

#include <iterator>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "testsupport/dialog_record.h"
#include "testsupport/fresh_machine.h"

namespace {

using platform::ControlKind;
using platform::ControlTemplate;
using platform::Dialog;
using platform::DialogTemplate;
using platform::HeadlessUi;
using Fields = std::vector<std::string>;

const ControlTemplate kControls[] = {
    {10, ControlKind::kStatic, "Starting", platform::kStyleNone, {4, 4, 100, 8}, 0},
    {11, ControlKind::kProgressBar, "", platform::kStyleNone, {4, 14, 100, 8}, 0},
    {12, ControlKind::kDropDownList, "", platform::kStyleSorted, {4, 24, 100, 40}, 0},
    {1, ControlKind::kPushButton, "&OK", platform::kStyleDefaultButton, {4, 40, 50, 14}, 0},
};
const DialogTemplate kWindow = {70, "progress", "Working", platform::kDialogVisible, 110, 60,
                                kControls, std::size(kControls)};
const DialogTemplate kQuestion = {71, "ask", "Question", platform::kDialogCaption, 110, 60,
                                  kControls, std::size(kControls)};

// Counts what a dialog would have been told; a headless dialog tells nothing.
class CountingHandler : public platform::DialogHandler {
 public:
  void initialised(Dialog&) override { ++calls; }
  void clicked(Dialog&, int) override { ++calls; }
  void closing(Dialog&) override { ++calls; }
  int calls = 0;
};

class Headless : public testsupport::FreshMachineTest {
 protected:
  std::vector<Fields> record() {
    return testsupport::recordEvents(testsupport::readFile(machine.path("record")));
  }
};

TEST_F(Headless, EveryQuestionTakesTheAnswerThatLosesNothingWhateverTheDefaultButton) {
  HeadlessUi ui("no display", machine.path("record"));
  EXPECT_FALSE(ui.interactive());
  EXPECT_EQ(ui.description(),
            "none: no desktop user interface and no script (VELLORA_UI_SCRIPT): no display");
  const struct {
    unsigned flags;
    int answer;
  } cases[] = {
      {platform::kMbOk, platform::kIdOk},
      {platform::kMbOkCancel, platform::kIdCancel},
      {platform::kMbYesNo, platform::kIdNo},
      {platform::kMbYesNo | platform::kMbIconQuestion, platform::kIdNo},
      {platform::kMbYesNoCancel | platform::kMbDefButton2, platform::kIdCancel},
      {platform::kMbAbortRetryIgnore | platform::kMbDefButton2, platform::kIdAbort},
      {platform::kMbAbortRetryIgnore | platform::kMbDefButton3, platform::kIdAbort},
      {platform::kMbRetryCancel, platform::kIdCancel},
  };
  for (const auto& c : cases) EXPECT_EQ(ui.messageBox("Replace?", "Vellora", c.flags), c.answer) << c.flags;

  CountingHandler handler;
  EXPECT_EQ(ui.runModal(kQuestion, handler), platform::kDialogUnavailable);
  platform::SaveAsRequest request;
  request.title = "Save PDF File As";
  EXPECT_EQ(ui.runSaveAs(request, kQuestion, handler).status, platform::SaveAsStatus::kUnavailable);
  EXPECT_EQ(handler.calls, 0) << "no dialog code runs for a dialog nobody sees";

  std::vector<Fields> events = record();
  ASSERT_EQ(events.size(), std::size(cases) + 2);
  EXPECT_EQ(events[1], (Fields{"message", "0x1", "Vellora", "Replace?", "cancel"}));
  EXPECT_EQ(events[5], (Fields{"message", "0x102", "Vellora", "Replace?", "abort"}));
  EXPECT_EQ(events[std::size(cases)], (Fields{"window", "unavailable", "71"}));
  EXPECT_EQ(events[std::size(cases) + 1], (Fields{"window", "unavailable", "71"}));
}

TEST_F(Headless, AModelessWindowKeepsItsStateAndRecordsItsChanges) {
  HeadlessUi ui("no display", machine.path("record"));
  {
    std::unique_ptr<Dialog> window = ui.openModeless(kWindow, nullptr);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->text(10), "Starting");
    window->setText(10, "Page 1\tof 2");
    window->setProgressRange(11, 0, 2);
    window->setProgressPosition(11, 1);
    window->setProgressPosition(11, 1);  // no change: nothing to record
    window->setProgressPosition(99, 2);  // no such control
    window->addListEntry(12, "Gamma");
    window->addListEntry(12, "alpha");
    window->select(12, 1);
    EXPECT_EQ(window->text(12), "Gamma") << "sorted as the list shows it";
    EXPECT_EQ(window->listEntry(12, 0), "alpha");
    window->showWindow(false);
    window->destroyControl(10);
    EXPECT_FALSE(window->hasControl(10));
    window->setText(10, "gone");
  }
  EXPECT_EQ(record(), (std::vector<Fields>{{"window", "open", "70", "Working"},
                                           {"text", "70", "10", "Page 1\tof 2"},
                                           {"progress", "range", "0", "2"},
                                           {"progress", "position", "1"},
                                           {"window", "hide", "70"},
                                           {"window", "close", "70", "0"}}));
}

TEST_F(Headless, WithoutARecordFileNothingIsWritten) {
  HeadlessUi ui("no display", "");
  EXPECT_EQ(ui.messageBox("Send?", "Vellora", platform::kMbYesNo), platform::kIdNo);
  ui.openModeless(kWindow, nullptr)->setText(10, "x");
  ui.setCursor(platform::Cursor::kWait);
  EXPECT_FALSE(platform::fileExists(machine.path("record")));
}

TEST_F(Headless, IsTheDefaultWithoutADesktopAndReadsNoScriptItCannotAct) {
  machine.unsetEnv("DISPLAY");
  machine.unsetEnv("WAYLAND_DISPLAY");
  machine.setEnv("VELLORA_UI_LOG", machine.path("record"));
  // This program never installed the scripted windows.
  testsupport::writeFile(machine.path("script"), "message: yes\n");
  machine.setEnv("VELLORA_UI_SCRIPT", machine.path("script"));
  platform::setUserInterface(nullptr);
  if (platform::ui().interactive()) GTEST_SKIP() << "a desktop is here: " << platform::ui().description();
  EXPECT_EQ(platform::ui().description().rfind("none: ", 0), 0u) << platform::ui().description();
  EXPECT_EQ(platform::ui().messageBox("Overwrite?", "Vellora", platform::kMbYesNo), platform::kIdNo);
  EXPECT_EQ(record(), (std::vector<Fields>{{"message", "0x4", "Vellora", "Overwrite?", "no"}}));
  platform::setUserInterface(nullptr);
}

}  // namespace
