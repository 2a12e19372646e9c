// The program's side of a desktop backend: its script and its record must
// read as the scripted backend's, so that the same tests and tools read
// both.
#include <iterator>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/process.h"
#include "scripted_ui/desktop_host.h"
#include "scripted_ui/scripted_ui.h"
#include "testsupport/dialog_record.h"
#include "testsupport/fresh_machine.h"

namespace {

using platform::ControlKind;
using platform::ControlTemplate;
using platform::DialogTemplate;

const ControlTemplate kControls[] = {
    {-1, ControlKind::kStatic, "Choose:", platform::kStyleNone, {4, 4, 40, 8}, 0},
    {10, ControlKind::kCheckBox, "&Box", platform::kStyleNone, {4, 14, 60, 10}, 0},
    {11, ControlKind::kDropDownList, "", platform::kStyleDisabled, {4, 26, 60, 40}, 0},
    {12, ControlKind::kEdit, "", platform::kStyleHidden, {4, 40, 60, 12}, 0},
};
const DialogTemplate kWindow = {700, "window", "Window", platform::kDialogCaption, 80, 60, kControls,
                                std::size(kControls)};

class DesktopHostTest : public testsupport::FreshMachineTest {};

TEST_F(DesktopHostTest, ItsSnapshotsReadAsTheScriptedBackendsOwn) {
  machine.setEnv("VELLORA_UI_LOG", machine.path("record"));
  platform::DesktopHost& host = platform::desktopHost();
  EXPECT_FALSE(host.driven());
  EXPECT_EQ(host.screenshotPath("x"), "") << "no folder for screenshots";

  // A dialog of the scripted backend, recorded by the host through the
  // Dialog interface alone.
  platform::ScriptedUi scripted;
  std::unique_ptr<platform::Dialog> d = scripted.openModeless(kWindow, nullptr);
  d->setChecked(10, true);
  d->addListEntry(11, "One");
  d->addListEntry(11, "Two");
  d->select(11, 1);
  d->destroyControl(12);
  host.snapshot(*d, {}, "after", 156, false);

  auto snapshots = testsupport::dialogSnapshots(
      testsupport::recordEvents(testsupport::readFile(machine.path("record"))));
  ASSERT_EQ(snapshots.size(), 1u);
  const testsupport::DialogSnapshot& shot = snapshots[0];
  EXPECT_EQ(shot.templateId, 700);
  EXPECT_EQ(shot.moment, "after");
  EXPECT_EQ(shot.icon, 156);
  EXPECT_EQ(shot.width, d->windowRect().width);
  EXPECT_TRUE(shot.control(700, 10).checked());
  EXPECT_EQ(shot.control(700, 10).text, "&Box");
  EXPECT_EQ(shot.control(700, 11).state, "disabled");
  EXPECT_EQ(shot.control(700, 11).text, "Two");
  EXPECT_EQ(shot.control(700, 11).selection, 1);
  EXPECT_EQ(shot.control(700, 11).entries, (std::vector<std::string>{"One", "Two"}));
  EXPECT_FALSE(shot.has(700, 12)) << "destroyed controls are left out";
}

TEST_F(DesktopHostTest, TheScriptIsReadAnewWhenTheInterfaceIsChosen) {
  testsupport::writeFile(machine.path("script"), "message: no\ncheck: 10\nfileexists: Append\nsaveas: /x.pdf\n");
  machine.setEnv("VELLORA_DESKTOP_SCRIPT", machine.path("script"));
  machine.setEnv("VELLORA_DESKTOP_SHOTS", machine.path("shots"));
  platform::DesktopHost& host = platform::desktopHost();
  EXPECT_TRUE(host.driven());
  EXPECT_EQ(host.screenshotPath("compact"), machine.path("shots") + platform::kPathSeparator + "compact.png");
  // Each window takes its own answers and the actions in order; message
  // boxes take theirs wherever they stand.
  platform::DriveStep step;
  ASSERT_TRUE(host.nextStep("saveas", &step));
  EXPECT_EQ(step.text, "check: 10");
  ASSERT_TRUE(host.nextStep("saveas", &step));
  EXPECT_EQ(step.kind, "saveas");
  EXPECT_EQ(step.value, "/x.pdf");
  ASSERT_TRUE(host.nextStep("fileexists", &step));
  EXPECT_EQ(step.value, "Append");
  std::string answer;
  ASSERT_TRUE(host.nextAnswer("message", &answer));
  EXPECT_EQ(answer, "no");
  EXPECT_FALSE(host.nextStep("saveas", &step));

  // Chosen again (another job in a test), the host starts the script over.
  platform::DesktopHost& again = platform::desktopHost();
  EXPECT_EQ(&again, &host);
  ASSERT_TRUE(again.nextStep("saveas", &step));
  EXPECT_EQ(step.text, "check: 10");
}

}  // namespace
