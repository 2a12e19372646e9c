#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/scripted_ui.h"
#include "testsupport/fresh_machine.h"

namespace {

using platform::ScriptedUi;
using Fields = std::vector<std::string>;

TEST(ScriptedUi, MessageAnswersAreUsedInOrderThenDefaults) {
  ScriptedUi ui;
  ui.addScriptLine("# a comment");
  ui.addScriptLine("");
  ui.addScriptLine("message: no");
  ui.addScriptLine("fileexists: append");
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
  EXPECT_EQ(ui.messageBox("q7", "Vellora", platform::kMbRetryCancel | platform::kMbDefButton2),
            platform::kIdCancel);
  EXPECT_EQ(ui.fileExistsDialog(), 2);
  EXPECT_EQ(ui.fileExistsDialog(), 0);
}

TEST(ScriptedUi, RecordLinesAreExact) {
  ScriptedUi ui;
  ui.addScriptLine("message: ok");
  ui.messageBox("Line one\nC:\\path\ttab", "Vellora",
                platform::kMbOk | platform::kMbIconWarning);
  {
    auto progress = ui.openProgressWindow("Creating Document");
    progress->setRange(0, 2);
    progress->setStep(1);
    progress->setPosition(1);
    progress->setPosition(1);
    progress->repaint();
    progress->setPosition(3);
  }
  {
    auto status = ui.openStatusWindow("Vellora", "Appending");
    status->setText("Done");
  }
  ui.setCursor(platform::Cursor::kWait);
  ui.setCursor(platform::Cursor::kArrow);
  ui.copyToClipboard("/out/a.pdf");
  const std::vector<std::string> expected = {
      "message\t0x30\tVellora\tLine one\\nC:\\\\path\\ttab\tok",
      "progress\topen\tCreating Document",
      "progress\trange\t0\t2",
      "progress\tstep\t1",
      "progress\tposition\t1",
      "progress\tposition\t3",
      "progress\tclose",
      "status\topen\tVellora\tAppending",
      "status\ttext\tDone",
      "status\tclose",
      "cursor\twait",
      "cursor\tarrow",
      "clipboard\t/out/a.pdf",
  };
  EXPECT_EQ(ui.events(), expected);
  auto messages = ui.eventsOf("message");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], (Fields{"0x30", "Vellora", "Line one\nC:\\path\ttab", "ok"}));
  ui.clearEvents();
  EXPECT_TRUE(ui.events().empty());
}

TEST(ScriptedUi, EscapesRoundTrip) {
  for (const std::string text : {"", "plain", "a\\b", "\\n literal", "tab\there\nand\\t", "\\"}) {
    EXPECT_EQ(platform::unescapeRecordField(platform::escapeRecordField(text)), text);
    EXPECT_EQ(platform::escapeRecordField(text).find_first_of("\t\n"), std::string::npos);
  }
  EXPECT_EQ(platform::escapeRecordField("a\\\n\t"), "a\\\\\\n\\t");
}

TEST(ScriptedUi, SaveAsPairsEachFilterWithTheNextAnswer) {
  ScriptedUi ui;
  ui.addScriptLine("saveas: /home/u/first.pdf");
  ui.addScriptLine("saveas-filter: 2");
  ui.addScriptLine("saveas: C:\\docs\\second.ps");
  ui.addScriptLine("saveas: <cancel>");
  platform::SaveAsRequest request;
  request.initialFolder = "/home/u";
  request.initialName = "Report";
  request.filterIndex = 1;
  platform::SaveAsResult r = ui.saveAs(request);
  EXPECT_TRUE(r.accepted);
  EXPECT_EQ(r.path, "/home/u/first.pdf");
  EXPECT_EQ(r.filterIndex, 1);
  r = ui.saveAs(request);
  EXPECT_TRUE(r.accepted);
  EXPECT_EQ(r.path, "C:\\docs\\second.ps");
  EXPECT_EQ(r.filterIndex, 2);
  EXPECT_FALSE(ui.saveAs(request).accepted);
  EXPECT_FALSE(ui.saveAs(request).accepted);
  auto events = ui.eventsOf("saveas");
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[1], (Fields{"/home/u", "Report", "1", "C:\\docs\\second.ps", "2"}));
  EXPECT_EQ(events[3], (Fields{"/home/u", "Report", "1", "<cancel>", "1"}));
}

TEST(ScriptedUi, PasswordAndProfileNameDialogs) {
  ScriptedUi ui;
  ui.addScriptLine("password:");  // OK on an empty field: the dialog stays open
  ui.addScriptLine("password: s3cret word");
  ui.addScriptLine("password: <unavailable>");
  ui.addScriptLine("profilename: Letters");
  ui.addScriptLine("profilename: <cancel>");
  std::string password;
  EXPECT_EQ(ui.passwordDialog(&password), 0);
  EXPECT_EQ(password, "s3cret word");
  EXPECT_EQ(ui.passwordDialog(&password), -1);
  EXPECT_EQ(ui.passwordDialog(&password), 1);
  std::string name;
  EXPECT_EQ(ui.profileNameDialog("Old", &name), 1);
  EXPECT_EQ(name, "Letters");
  EXPECT_EQ(ui.profileNameDialog("", &name), 0);
  EXPECT_EQ(ui.eventsOf("password"),
            (std::vector<Fields>{{"s3cret word"}, {"<unavailable>"}, {"<cancel>"}}));
  EXPECT_EQ(ui.eventsOf("profilename"), (std::vector<Fields>{{"Old", "Letters"}, {"", "<cancel>"}}));
}

class ScriptedUiFiles : public testsupport::FreshMachineTest {};

TEST_F(ScriptedUiFiles, DefaultBackendReadsTheEnvironment) {
  std::string script = machine.path("ui.script");
  std::string log = machine.path("ui.log");
  testsupport::writeFile(script, "message: cancel\r\nfileexists: prepend\r\n");
  machine.setEnv("VELLORA_UI_SCRIPT", script);
  machine.setEnv("VELLORA_UI_LOG", log);
  platform::setUserInterface(nullptr);
  EXPECT_EQ(platform::ui().messageBox("Go on?", "Vellora", platform::kMbOkCancel),
            platform::kIdCancel);
  EXPECT_EQ(platform::ui().fileExistsDialog(), 3);
  EXPECT_EQ(testsupport::readFile(log),
            "message\t0x1\tVellora\tGo on?\tcancel\nfileexists\tprepend\n");

  ScriptedUi replacement;
  platform::setUserInterface(&replacement);
  EXPECT_EQ(&platform::ui(), &replacement);
  platform::setUserInterface(nullptr);
  EXPECT_NE(&platform::ui(), &replacement);
}

}  // namespace
