#include <atomic>
#include <iterator>
#include <thread>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/process.h"
#include "scripted_ui/scripted_backend.h"
#include "scripted_ui/scripted_ui.h"
#include "testsupport/dialog_record.h"
#include "testsupport/fresh_machine.h"

namespace {

using platform::ControlKind;
using platform::ControlTemplate;
using platform::Dialog;
using platform::DialogTemplate;
using platform::ScriptedUi;
using Fields = std::vector<std::string>;

// A question with every kind of control a user acts on.
const ControlTemplate kAskControls[] = {
    {-1, ControlKind::kStatic, "Type a word.", platform::kStyleNone, {7, 7, 100, 8}, 0},
    {10, ControlKind::kEdit, "", platform::kStyleNone, {7, 20, 100, 12}, 0},
    {1, ControlKind::kPushButton, "&OK", platform::kStyleDefaultButton, {7, 40, 50, 14}, 0},
    {2, ControlKind::kPushButton, "&Cancel", platform::kStyleNone, {60, 40, 50, 14}, 0},
    {50, ControlKind::kPushButton, "&Append", platform::kStyleNone, {113, 40, 50, 14}, 0},
    {20, ControlKind::kCheckBox, "Box", platform::kStyleNone, {7, 60, 50, 10}, 0},
    {21, ControlKind::kCheckBox, "Locked", platform::kStyleDisabled, {7, 72, 50, 10}, 0},
    {22, ControlKind::kCheckBox, "Hidden", platform::kStyleHidden, {7, 84, 50, 10}, 0},
    {30, ControlKind::kRadioButton, "One", platform::kStyleGroup, {60, 60, 50, 10}, 0},
    {31, ControlKind::kRadioButton, "Two", platform::kStyleNone, {60, 72, 50, 10}, 0},
    {32, ControlKind::kRadioButton, "Three", platform::kStyleNone, {60, 84, 50, 10}, 0},
    {40, ControlKind::kDropDownList, "", platform::kStyleNone, {113, 60, 60, 40}, 0},
};
const DialogTemplate kAsk = {900,          "ask", "Question", platform::kDialogCaption,
                             180,          100,   kAskControls, std::size(kAskControls)};

// Records what happened and ends on OK (only with a text), Cancel, Append
// or closing.
class AskHandler : public platform::DialogHandler {
 public:
  void initialised(Dialog& d) override {
    events.push_back("init");
    for (const char* entry : {"Alpha", "Beta", "Gamma"}) d.addListEntry(40, entry);
  }
  void clicked(Dialog& d, int id) override {
    events.push_back("click " + std::to_string(id));
    if (id == 1 && d.text(10).empty()) return;
    if (id == 1 || id == 2 || id == 50 || id == platform::kCloseCommand) {
      word = d.text(10);
      d.end(id);
    }
  }
  void selectionChanged(Dialog& d, int id) override {
    events.push_back("select " + std::to_string(id) + " " + d.text(id));
  }
  void closing(Dialog&) override { events.push_back("closing"); }
  std::vector<std::string> events;
  std::string word;
};

TEST(ScriptedUi, MessageAnswersAreUsedInOrderThenDefaultsOrSafeAnswers) {
  ScriptedUi ui;
  ui.addScriptLine("# a comment");
  ui.addScriptLine("");
  ui.addScriptLine("message: no");
  ui.addScriptLine("ask: append");
  ui.addScriptLine("  MESSAGE :  Yes  ");
  EXPECT_EQ(ui.messageBox("q1", "Vellora", platform::kMbYesNo), platform::kIdNo);
  EXPECT_EQ(ui.messageBox("q2", "Vellora", platform::kMbYesNo), platform::kIdYes);
  // No answers left: the default button.
  EXPECT_EQ(ui.messageBox("q3", "Vellora", platform::kMbYesNo), platform::kIdYes);
  EXPECT_EQ(ui.messageBox("q4", "Vellora", platform::kMbYesNo | platform::kMbDefButton2),
            platform::kIdNo);
  EXPECT_EQ(ui.messageBox("q5", "Vellora", platform::kMbYesNoCancel | platform::kMbDefButton3),
            platform::kIdCancel);
  EXPECT_EQ(ui.messageBox("q6", "Vellora", platform::kMbOk | platform::kMbDefButton2),
            platform::kIdOk);

  // Nobody to ask: the answer that neither replaces nor sends anything,
  // whatever the default button.
  ScriptedUi unattended;
  unattended.setInteractive(false);
  unattended.addScriptLine("message: yes");
  EXPECT_EQ(unattended.messageBox("Replace?", "V", platform::kMbYesNo), platform::kIdNo);
  EXPECT_EQ(unattended.messageBox("Retry?", "V", platform::kMbOkCancel), platform::kIdCancel);
  EXPECT_EQ(unattended.messageBox("Retry?", "V", platform::kMbYesNoCancel), platform::kIdCancel);
  EXPECT_EQ(unattended.messageBox("Fail", "V", platform::kMbAbortRetryIgnore), platform::kIdAbort);
  EXPECT_EQ(unattended.messageBox("Note", "V", platform::kMbOk), platform::kIdOk);
  AskHandler handler;
  EXPECT_EQ(unattended.runModal(kAsk, handler), platform::kDialogUnavailable);
  EXPECT_TRUE(handler.events.empty());
}

TEST(ScriptedUi, ModelessWindowsRecordTheirChangesExactly) {
  const ControlTemplate controls[] = {
      {7, ControlKind::kProgressBar, "", platform::kStyleNone, {0, 0, 100, 10}, 0},
      {8, ControlKind::kStatic, "Working", platform::kStyleCentred, {0, 12, 100, 10}, 0},
  };
  const DialogTemplate window = {77, "progress", "", platform::kDialogVisible, 100, 24,
                                 controls, std::size(controls)};
  ScriptedUi ui;
  ui.addScriptLine("message: ok");
  ui.messageBox("Line one\nC:\\path\ttab", "Vellora", platform::kMbOk | platform::kMbIconWarning);
  {
    std::unique_ptr<Dialog> progress = ui.openModeless(window, nullptr);
    progress->setProgressRange(7, 0, 2);
    progress->setProgressStep(7, 1);
    progress->setProgressPosition(7, 1);
    progress->setProgressPosition(7, 1);
    progress->repaint();
    progress->setProgressPosition(7, 2);
    progress->setText(8, "Done");
    EXPECT_EQ(progress->text(8), "Done");
  }
  ui.setCursor(platform::Cursor::kWait);
  ui.copyToClipboard("/out/a.pdf");
  const std::vector<std::string> expected = {
      "message\t0x30\tVellora\tLine one\\nC:\\\\path\\ttab\tok",
      "window\topen\t77\t",
      "progress\trange\t0\t2",
      "progress\tstep\t1",
      "progress\tposition\t1",
      "progress\tposition\t2",
      "text\t77\t8\tDone",
      "window\tclose\t77\t0",
      "cursor\twait",
      "clipboard\t/out/a.pdf",
  };
  EXPECT_EQ(ui.events(), expected);
  auto messages = ui.eventsOf("message");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], (Fields{"0x30", "Vellora", "Line one\nC:\\path\ttab", "ok"}));
}

TEST(ScriptedUi, EscapesRoundTrip) {
  for (const std::string text : {"", "plain", "a\\b", "\\n literal", "tab\there\nand\\t", "\\"}) {
    EXPECT_EQ(platform::unescapeRecordField(platform::escapeRecordField(text)), text);
    EXPECT_EQ(platform::escapeRecordField(text).find_first_of("\t\n"), std::string::npos);
  }
  EXPECT_EQ(platform::escapeRecordField("a\\\n\t"), "a\\\\\\n\\t");
}

TEST(ScriptedUi, ModalAnswersPressAButtonByCaptionOrTypeAndPressTheDefault) {
  ScriptedUi ui;
  ui.addScriptLine("ask: APPEND");
  ui.addScriptLine("ask:");  // OK on an empty edit: the handler keeps the dialog open
  ui.addScriptLine("ask: s3cret word");
  ui.addScriptLine("ask: <cancel>");
  ui.addScriptLine("ask: <unavailable>");
  AskHandler first;
  EXPECT_EQ(ui.runModal(kAsk, first), 50);
  EXPECT_EQ(first.events, (Fields{"init", "click 50", "closing"}));
  AskHandler second;
  EXPECT_EQ(ui.runModal(kAsk, second), 1);
  EXPECT_EQ(second.word, "s3cret word");
  EXPECT_EQ(second.events, (Fields{"init", "click 1", "click 1", "closing"}));
  AskHandler third;
  EXPECT_EQ(ui.runModal(kAsk, third), platform::kCloseCommand);
  AskHandler fourth;
  EXPECT_EQ(ui.runModal(kAsk, fourth), platform::kDialogUnavailable);
  EXPECT_TRUE(fourth.events.empty());
  // Nothing left in the script: the user closes the window.
  AskHandler fifth;
  EXPECT_EQ(ui.runModal(kAsk, fifth), platform::kCloseCommand);
  auto windows = ui.eventsOf("window");
  ASSERT_EQ(windows.size(), 9u);
  EXPECT_EQ(windows[0], (Fields{"open", "900", "Question"}));
  EXPECT_EQ(windows[1], (Fields{"close", "900", "50"}));
  EXPECT_EQ(windows[6], (Fields{"unavailable", "900"}));
}

TEST(ScriptedUi, ActionsActAsAUserWouldAndTheSnapshotsShowEveryControl) {
  ScriptedUi ui;
  for (const char* line : {"check: 20", "check: 20", "clear: 20", "check: 21", "click: 22",
                           "click: 31", "choose: 40 be", "choose: 40 Delta", "type: 10 hello",
                           "tab: x", "click: 1"})
    ui.addScriptLine(line);
  AskHandler handler;
  EXPECT_EQ(ui.runModal(kAsk, handler), 1);
  EXPECT_EQ(handler.word, "hello");
  // A second check of a checked box is no click; locked and hidden boxes
  // cannot be clicked at all; a missing entry is not chosen.
  EXPECT_EQ(handler.events, (Fields{"init", "click 20", "click 20", "click 31", "select 40 Beta",
                                    "click 1", "closing"}));
  auto refused = ui.eventsOf("refused");
  ASSERT_EQ(refused.size(), 4u);
  EXPECT_EQ(refused[0], (Fields{"900", "check: 21", "disabled"}));
  EXPECT_EQ(refused[1], (Fields{"900", "click: 22", "hidden"}));
  EXPECT_EQ(refused[2], (Fields{"900", "choose: 40 Delta", "no such entry"}));
  EXPECT_EQ(refused[3], (Fields{"900", "tab: x", "no tab control"}));

  auto snapshots = testsupport::dialogSnapshots(testsupport::recordEvents(ui.events()));
  testsupport::DialogSnapshot start = testsupport::lastSnapshot(snapshots, 900, "start");
  EXPECT_EQ(start.control(900, 40).entries, (Fields{"Alpha", "Beta", "Gamma"}));
  EXPECT_EQ(start.control(900, 40).selection, -1);
  EXPECT_EQ(start.control(900, 21).state, "disabled");
  EXPECT_EQ(start.control(900, 22).state, "hidden");
  EXPECT_TRUE(testsupport::lastSnapshot(snapshots, 900, "check: 20").control(900, 20).checked());
  testsupport::DialogSnapshot end = testsupport::lastSnapshot(snapshots, 900, "end");
  EXPECT_FALSE(end.control(900, 20).checked());
  EXPECT_EQ(end.control(900, 30).check, "0");
  EXPECT_EQ(end.control(900, 31).check, "1");
  EXPECT_EQ(end.control(900, 32).check, "0");
  EXPECT_EQ(end.control(900, 40).text, "Beta");
  EXPECT_EQ(end.control(900, 40).selection, 1);
  EXPECT_EQ(end.control(900, 10).text, "hello");
  EXPECT_EQ(end.control(900, 1).check, "-");
}

// A Save As dialog's custom area and a page that shares an id with it.
const ControlTemplate kAreaControls[] = {
    {100, ControlKind::kCheckBox, "Area box", platform::kStyleNone, {4, 3, 100, 10}, 0},
    {102, ControlKind::kTabControl, "", platform::kStyleNone, {4, 40, 200, 100}, 0},
};
const DialogTemplate kArea = {800, "area", "", platform::kDialogChild, 210, 150,
                              kAreaControls, std::size(kAreaControls)};
const ControlTemplate kPageControls[] = {
    {100, ControlKind::kCheckBox, "Page box", platform::kStyleNone, {4, 4, 100, 10}, 0},
    {110, ControlKind::kDropDownList, "", platform::kStyleNone, {4, 20, 100, 40}, 0},
};
const DialogTemplate kPage = {801, "page", "", platform::kDialogChild, 190, 80,
                              kPageControls, std::size(kPageControls)};

class PageHandler : public platform::DialogHandler {
 public:
  explicit PageHandler(std::vector<std::string>* log) : log_(log) {}
  void clicked(Dialog&, int id) override { log_->push_back("page click " + std::to_string(id)); }

 private:
  std::vector<std::string>* log_;
};

class AreaHook : public platform::DialogHandler {
 public:
  AreaHook() : pages(&events) {}
  void initialised(Dialog& d) override {
    d.addListEntry(102, "First");
    d.addListEntry(102, "Second");
    d.select(102, 0);
    page = d.createPage(102, kPage, &pages);
  }
  void clicked(Dialog&, int id) override { events.push_back("click " + std::to_string(id)); }
  void tabChanged(Dialog& d, int id) override {
    events.push_back("tab " + d.text(id));
    page.reset();
  }
  void fileTypeChanged(Dialog&, int index) override {
    events.push_back("type " + std::to_string(index));
  }
  bool nameAccepted(Dialog& d, const std::string& path) override {
    events.push_back("accept? " + path + " in " + d.folder());
    return refuseFirst-- <= 0;
  }
  void closing(Dialog&) override {
    events.push_back("closing");
    page.reset();
  }
  std::vector<std::string> events;
  PageHandler pages;
  std::unique_ptr<Dialog> page;
  int refuseFirst = 0;
};

platform::SaveAsRequest request() {
  platform::SaveAsRequest r;
  r.title = "Save";
  r.initialFolder = "/home/u";
  r.initialName = "Report";
  r.filters = {{"PDF Documents (*.pdf)", "*.pdf"}, {"Postscript Files (*.ps)", "*.ps"}};
  r.filterIndex = 1;
  r.defaultExtension = "pdf";
  r.nameCapacity = 40;
  return r;
}

TEST(ScriptedUi, SaveAsAnswersPairEachFilterWithTheNextName) {
  ScriptedUi ui;
  ui.addScriptLine("saveas: /home/u/first.pdf");
  ui.addScriptLine("saveas-filter: 2");
  ui.addScriptLine("saveas: C:\\docs\\second.ps");
  ui.addScriptLine("saveas: <cancel>");
  AreaHook hook;
  platform::SaveAsResult r = ui.runSaveAs(request(), kArea, hook);
  EXPECT_TRUE(r.accepted());
  EXPECT_EQ(r.path, "/home/u/first.pdf");
  EXPECT_EQ(r.filterIndex, 1);
  r = ui.runSaveAs(request(), kArea, hook);
  EXPECT_TRUE(r.accepted());
  EXPECT_EQ(r.path, "C:\\docs\\second.ps");
  EXPECT_EQ(r.filterIndex, 2);
  EXPECT_EQ(ui.runSaveAs(request(), kArea, hook).status, platform::SaveAsStatus::kCancelled);
  EXPECT_EQ(ui.runSaveAs(request(), kArea, hook).status, platform::SaveAsStatus::kCancelled);
  auto events = ui.eventsOf("saveas");
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[1], (Fields{"/home/u", "Report", "1", "C:\\docs\\second.ps", "2"}));
  EXPECT_EQ(events[3], (Fields{"/home/u", "Report", "1", "<cancel>", "1"}));
  EXPECT_EQ(hook.events[0], "accept? /home/u/first.pdf in /home/u");
  EXPECT_EQ(hook.events[2], "type 2");
  EXPECT_EQ(hook.events[3], "accept? C:\\docs\\second.ps in C:\\docs");
}

TEST(ScriptedUi, SaveAsActionsReachTheCustomAreaAndItsPage) {
  ScriptedUi ui;
  for (const char* line :
       {"click: 100", "click: 801/100", "choose: 110 x", "filetype: 2", "filetype: 7",
        "name: letter", "accept:", "accept: a-name-longer-than-forty-characters-in-all",
        "tab: Second", "check: 801/100", "accept: sub/memo.v2", "click: 100"})
    ui.addScriptLine(line);
  AreaHook hook;
  hook.refuseFirst = 1;
  platform::SaveAsResult r = ui.runSaveAs(request(), kArea, hook);
  ASSERT_TRUE(r.accepted());
  // A name typed without extension gets the selected type's; a name with
  // one keeps it.
  EXPECT_EQ(r.path, "/home/u/sub/memo.v2");
  EXPECT_EQ(r.filterIndex, 2);
  EXPECT_EQ(hook.events,
            (Fields{"click 100", "page click 100", "type 2", "accept? /home/u/letter.ps in /home/u",
                    "tab Second", "accept? /home/u/sub/memo.v2 in /home/u/sub", "closing"}));
  auto refused = ui.eventsOf("refused");
  ASSERT_EQ(refused.size(), 4u);
  EXPECT_EQ(refused[0][2], "no such entry");
  EXPECT_EQ(refused[1][2], "no such file type");
  EXPECT_EQ(refused[2][2], "name too long");
  EXPECT_EQ(refused[3][2], "no such control");  // the page is gone
  // The line after acceptance was never acted out.
  auto snapshots = testsupport::dialogSnapshots(testsupport::recordEvents(ui.events()));
  testsupport::DialogSnapshot first = testsupport::lastSnapshot(snapshots, 800, "click: 801/100");
  EXPECT_TRUE(first.control(800, 100).checked());
  EXPECT_TRUE(first.control(801, 100).checked());
  EXPECT_EQ(first.control(800, 102).entries, (Fields{"First", "Second"}));
  testsupport::DialogSnapshot accepted = testsupport::lastSnapshot(snapshots, 800, "accept");
  EXPECT_EQ(accepted.folder, "/home/u/sub");
  EXPECT_EQ(accepted.fileName, "memo.v2");
  EXPECT_EQ(accepted.fileType, 2);
  EXPECT_FALSE(accepted.has(801, 100));
  EXPECT_EQ(accepted.control(800, 102).text, "Second");
}

TEST(ScriptedUi, ScreenAndDialogUnitsFollowThePixelsPerInch) {
  ScriptedUi ui;
  ui.addScriptLine("screen: 1600 1200 120");
  class Measure : public platform::DialogHandler {
   public:
    void initialised(Dialog& d) override {
      units = d.toPixels({4, 8, 100, 40});
      screen = d.screen();
      window = d.windowRect();
      area = d.screenRect(platform::kCustomArea);
      cancel = d.screenRect(platform::kSaveAsCancelButton);
    }
    platform::PixelRect units, window, area, cancel;
    platform::ScreenMetrics screen;
  } measure;
  ui.runSaveAs(request(), kArea, measure);
  EXPECT_EQ(measure.screen.width, 1600);
  EXPECT_EQ(measure.screen.pixelsPerInchY, 120);
  // 120 pixels per inch: base units 8 x 16.
  EXPECT_EQ(measure.units.x, 8);
  EXPECT_EQ(measure.units.y, 16);
  EXPECT_EQ(measure.units.width, 200);
  EXPECT_EQ(measure.units.height, 80);
  // Centred, with the custom area below the standard controls and the
  // Cancel button above it.
  EXPECT_EQ(measure.window.x, (1600 - measure.window.width) / 2);
  EXPECT_GT(measure.area.y, measure.cancel.bottom());
  EXPECT_LT(measure.cancel.right(), measure.window.right());
}

TEST(ScriptedUi, PostedWorkRunsOnTheDialogThreadAndWaitLetsItFinish) {
  ScriptedUi ui;
  ui.addScriptLine("wait:");
  ui.addScriptLine("choose: 40 Late");  // arrives from the background thread
  ui.addScriptLine("click: 2");
  std::thread::id dialogThread = std::this_thread::get_id();
  std::atomic<bool> ranOnDialogThread{false};
  std::thread worker;
  class Background : public AskHandler {
   public:
    std::function<void(Dialog&)> start;
    void initialised(Dialog& d) override {
      AskHandler::initialised(d);
      start(d);
    }
  } handler;
  handler.start = [&](Dialog& d) {
    std::shared_ptr<platform::DialogPoster> poster = d.poster();
    worker = std::thread([poster, &ranOnDialogThread, dialogThread]() mutable {
      platform::sleepMilliseconds(50);
      poster->post([&ranOnDialogThread, dialogThread](Dialog& dialog) {
        ranOnDialogThread = std::this_thread::get_id() == dialogThread;
        dialog.addListEntry(40, "Late");
      });
      poster.reset();
    });
  };
  EXPECT_EQ(ui.runModal(kAsk, handler), 2);
  worker.join();
  EXPECT_TRUE(ranOnDialogThread);
  EXPECT_TRUE(ui.eventsOf("refused").empty());
  EXPECT_EQ(handler.events[1], "select 40 Late");
  // The dialog is gone: posting is refused and nothing runs.
  std::unique_ptr<Dialog> window = ui.openModeless(kAsk, nullptr);
  std::shared_ptr<platform::DialogPoster> late = window->poster();
  window.reset();
  EXPECT_FALSE(late->post([](Dialog&) { ADD_FAILURE() << "ran after the dialog closed"; }));
}

class ScriptedUiFiles : public testsupport::FreshMachineTest {};

TEST_F(ScriptedUiFiles, DefaultBackendReadsTheEnvironment) {
  std::string script = machine.path("ui.script");
  std::string log = machine.path("ui.log");
  testsupport::writeFile(script, "message: cancel\r\nask: append\r\n");
  machine.setEnv("VELLORA_UI_SCRIPT", script);
  machine.setEnv("VELLORA_UI_LOG", log);
  // A program that did not install the scripted windows never reads a script.
  platform::setScriptedBackend({nullptr, nullptr});
  platform::setUserInterface(nullptr);
  EXPECT_FALSE(platform::ui().interactive());
  AskHandler unasked;
  EXPECT_EQ(platform::ui().runModal(kAsk, unasked), platform::kDialogUnavailable);
  platform::deleteFile(log);

  platform::installScriptedBackend();
  platform::setUserInterface(nullptr);
  EXPECT_TRUE(platform::ui().interactive());
  EXPECT_EQ(platform::ui().messageBox("Go on?", "Vellora", platform::kMbOkCancel),
            platform::kIdCancel);
  AskHandler handler;
  EXPECT_EQ(platform::ui().runModal(kAsk, handler), 50);
  std::string record = testsupport::readFile(log);
  EXPECT_EQ(record.find("message\t0x1\tVellora\tGo on?\tcancel\nwindow\topen\t900\t"), 0u)
      << record;

  ScriptedUi replacement;
  platform::setUserInterface(&replacement);
  EXPECT_EQ(&platform::ui(), &replacement);
  platform::setUserInterface(nullptr);
  EXPECT_NE(&platform::ui(), &replacement);

  // Without a script nobody can answer.
  machine.unsetEnv("VELLORA_UI_SCRIPT");
  platform::setUserInterface(nullptr);
  EXPECT_FALSE(platform::ui().interactive());
  AreaHook hook;
  EXPECT_EQ(platform::ui().runSaveAs(request(), kArea, hook).status,
            platform::SaveAsStatus::kUnavailable);
  EXPECT_TRUE(hook.events.empty());
  EXPECT_NE(platform::ui().description().find("no script"), std::string::npos);
}

}  // namespace
