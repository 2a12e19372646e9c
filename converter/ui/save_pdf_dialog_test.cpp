// The Save PDF dialog as a user meets it: placement, the compact and
// expanded forms, accepting a name with the existence and password
// questions, closing, and naming a job when nobody can be asked.
#include "converter/settings/profiles.h"
#include "converter/settings/scramble_password.h"
#include "testsupport/converter/save_dialog_test_fixture.h"
#include "converter/ui/small_windows.h"
#include "converter/ui/string_table.h"
#include "platform/files.h"

namespace vellora {
namespace {

const char kUserKey[] = "SOFTWARE\\Norvale\\Vellora";

TEST_F(SaveDialogTest, AStoredPositionOffTheScreenIsCentredAndTheOtherKept) {
  setNumber(platform::HKCU, kUserKey, "locationx", 5000);
  setNumber(platform::HKCU, kUserKey, "locationy", 40);
  script({"saveas: <cancel>"});
  runDialog();
  testsupport::DialogSnapshot start = last("start");
  EXPECT_EQ(start.x, (1280 - (start.width - 3)) / 2);
  EXPECT_EQ(start.y, 40);
  EXPECT_EQ(start.icon, kDialogIcon);
  // The compact form ends below the first rows of the custom area.
  EXPECT_FALSE(start.control(kSaveCustomDialog, kAdvancedBox).checked());
  EXPECT_LT(start.height, 500);

  // Accepting stores where the window stands.
  ui.clearEvents();
  script({"accept: " + out("placed.pdf")});
  ASSERT_TRUE(runDialog().accepted);
  EXPECT_EQ(userNumber("locationx"), start.x);
  EXPECT_EQ(userNumber("locationy"), 40);
}

TEST_F(SaveDialogTest, AnExpandedDialogWithoutAStoredPlaceIsCentredOrFitsFromTheTop) {
  setNumber(platform::HKCU, kUserKey, "DispAdvanced", 1);
  script({"cancel:"});
  runDialog();
  testsupport::DialogSnapshot tall = last("start");
  EXPECT_TRUE(tall.control(kSaveCustomDialog, kAdvancedBox).checked());
  EXPECT_EQ(tall.y, (1024 - tall.height) / 2);
  EXPECT_GT(tall.height, 600);

  // A screen too low for it: from just above the top, centred across.
  ui.clearEvents();
  script({"screen: 800 600", "cancel:"});
  runDialog();
  testsupport::DialogSnapshot fitted = last("start");
  EXPECT_EQ(fitted.y, -3);
  EXPECT_EQ(fitted.x, (800 - fitted.width) / 2);
  EXPECT_EQ(fitted.height, tall.height - 7);
}

TEST_F(SaveDialogTest, HiddenProfilesLeaveNoProfileControlsAndMoveTheTabsUp) {
  setNumber(platform::HKCU, kUserKey, "HideProfiles", 1);
  script({"check: 1028", "cancel:"});
  runDialog();
  testsupport::DialogSnapshot compact = last("start");
  EXPECT_TRUE(compact.has(kSaveCustomDialog, kProfileList));
  testsupport::DialogSnapshot expanded = last("check: 1028");
  for (int id : {kProfileGroup, kSaveProfileButton, kDefaultProfileButton, kProfileList,
                 kDeleteProfileButton})
    EXPECT_FALSE(expanded.has(kSaveCustomDialog, id)) << id;
  EXPECT_EQ(expanded.control(kSaveCustomDialog, kOptionTabs).entries,
            (std::vector<std::string>{"General", "Security", "Display", "Application"}));
  EXPECT_GT(expanded.height, compact.height);

  // With the profile controls the expanded dialog is taller by their rows.
  setNumber(platform::HKCU, kUserKey, "HideProfiles", 0);
  ui.clearEvents();
  script({"check: 1028", "cancel:"});
  runDialog();
  testsupport::DialogSnapshot withProfiles = last("check: 1028");
  EXPECT_TRUE(withProfiles.has(kSaveCustomDialog, kProfileList));
  EXPECT_GT(withProfiles.height, expanded.height);
}

TEST_F(SaveDialogTest, TheExistenceCheckSeesTheNameWithItsExtension) {
  testsupport::writeFile(out("Report.v2.pdf"), "old");
  testsupport::writeFile(out("LOUD.PDF"), "old");
  // "Report.v2" becomes "Report.v2.pdf", which exists: asked, and Cancel
  // keeps the dialog open; "LOUD.PDF" is taken as typed.
  script({"accept: Report.v2", "fileexists: cancel", "accept: LOUD.PDF", "fileexists: append"});
  SaveDialogResult result = runDialog();
  ASSERT_TRUE(result.accepted);
  EXPECT_EQ(run->job.outputPath.str(), out("LOUD.PDF"));
  EXPECT_EQ(run->job.existingFileMode, 2);
  auto windows = ui.eventsOf("window");
  int asked = 0;
  for (const auto& w : windows)
    if (w[0] == "open" && w[1] == "142") ++asked;
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(testsupport::readFile(out("Report.v2.pdf")), "old");
}

// Another program holds the file the POSIX way, with an advisory lock of its
// own on it; Windows programs hold files through their sharing modes.
#if !defined(_WIN32)
TEST_F(SaveDialogTest, AFileAnotherProgramHoldsIsRefusedWithTheLockedMessage) {
  std::string held = out("held.pdf");
  testsupport::writeFile(held, "old");
  platform::FileLock holder;
  ASSERT_TRUE(holder.tryAcquireExisting(held));
  script({"accept: " + held, "accept: " + out("free.pdf")});
  SaveDialogResult result = runDialog();
  holder.release(false);
  ASSERT_TRUE(result.accepted);
  EXPECT_EQ(run->job.outputPath.str(), out("free.pdf"));
  EXPECT_EQ(messages(), std::vector<std::string>{stringTableText(kStrFileLocked)});
  EXPECT_EQ(ui.eventsOf("message")[0][0], "0x30");
}
#endif

TEST_F(SaveDialogTest, EncryptionWithoutPasswordsAsksAndNoKeepsTheDialogOpen) {
  setNumber(platform::HKCU, kUserKey, "EncryptionLevel", 2);
  script({"accept: " + out("a.pdf"), "message: no", "accept: " + out("b.pdf"), "message: yes"});
  SaveDialogResult result = runDialog();
  ASSERT_TRUE(result.accepted);
  EXPECT_EQ(run->job.outputPath.str(), out("b.pdf"));
  EXPECT_EQ(messages(), (std::vector<std::string>{stringTableText(kStrNoOwnerPassword),
                                                  stringTableText(kStrNoOwnerPassword)}));
  EXPECT_EQ(ui.eventsOf("message")[0][0], "0x24");

  // PostScript output is not encrypted: no question.
  ui.clearEvents();
  script({"filetype: 2", "accept: " + out("c.ps")});
  result = runDialog();
  ASSERT_TRUE(result.accepted);
  EXPECT_TRUE(result.postScriptChosen);
  EXPECT_TRUE(messages().empty());

  // A password without encryption.
  setNumber(platform::HKCU, kUserKey, "EncryptionLevel", 0);
  setText(platform::HKCU, kUserKey, "EUserPassword", ScramblePassword("secret"));
  ui.clearEvents();
  script({"accept: " + out("d.pdf"), "message: no", "cancel:"});
  EXPECT_FALSE(runDialog().accepted);
  EXPECT_EQ(messages(), std::vector<std::string>{stringTableText(kStrPasswordWithoutSecurity)});
}

TEST_F(SaveDialogTest, CancelStillCopiesTheSuggestedNameAndDeletesTheTemporaryFiles) {
  setNumber(platform::HKCU, kUserKey, "FileToClipboard", 1);
  script({"cancel:"});
  SaveDialogResult result = runDialog("Quarterly Report");
  EXPECT_FALSE(result.accepted);
  EXPECT_EQ(ui.eventsOf("clipboard"), (std::vector<std::vector<std::string>>{{"Quarterly Report"}}));
  for (const PathText* file : {&run->job.workFile, &run->job.utilityOutFile, &run->job.backupFile})
    EXPECT_FALSE(platform::fileExists(*file)) << file->str();

  // Accepted: the files stay and the chosen name goes to the clipboard.
  ui.clearEvents();
  for (PathText* file : {&run->job.workFile, &run->job.utilityOutFile, &run->job.backupFile})
    testsupport::writeFile(*file, "");
  script({"accept: " + out("kept.pdf")});
  ASSERT_TRUE(runDialog().accepted);
  EXPECT_EQ(ui.eventsOf("clipboard"), (std::vector<std::vector<std::string>>{{out("kept.pdf")}}));
  EXPECT_TRUE(platform::fileExists(run->job.workFile));
}

TEST_F(SaveDialogTest, WithNobodyToAskTheJobTakesTheInitialNameMadeUnique) {
  ui.setInteractive(false);
  testsupport::writeFile(out("Quarterly Report.pdf"), "old");
  SaveDialogResult result = runDialog();
  ASSERT_TRUE(result.accepted);
  EXPECT_TRUE(result.shownNoDialog);
  EXPECT_EQ(run->job.outputPath.str(), out("Quarterly Report1.pdf"));
  EXPECT_EQ(run->job.existingFileMode, 0);
  EXPECT_EQ(testsupport::readFile(out("Quarterly Report.pdf")), "old");
  EXPECT_NE(run->job.errorLog.str().find("No Save PDF dialog was shown"), std::string::npos);
  // The temporary files belong to the job that goes on.
  EXPECT_TRUE(platform::fileExists(run->job.workFile));

  // A name proposed with a folder of its own goes there, extension not doubled.
  ASSERT_TRUE(platform::createDirectories(out("sub")));
  const std::string sub = std::string("sub") + platform::kPathSeparator;
  testsupport::writeFile(out(sub + "Proposal.pdf"), "old");
  savedName = out(sub + "Proposal.pdf");
  ASSERT_TRUE(runDialog().accepted);
  EXPECT_EQ(run->job.outputPath.str(), out(sub + "Proposal1.pdf"));
}

TEST_F(SaveDialogTest, WithoutANameFromTheRulesTheDialogStartsWithTheTitle) {
  // The title names the file, cleaned as automatic names are; a given name
  // is kept.
  run->job.title = "Minutes: March";
  script({"accept:"});
  ASSERT_TRUE(runDialog("").accepted);
  auto asked = ui.eventsOf("saveas");
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0][1], "Minutes_ March");
  EXPECT_EQ(run->job.outputPath.str(), out("Minutes_ March.pdf"));

  ui.clearEvents();
  script({"cancel:"});
  runDialog("Agenda");
  ASSERT_EQ(ui.eventsOf("saveas").size(), 1u);
  EXPECT_EQ(ui.eventsOf("saveas")[0][1], "Agenda");

  // Nobody to ask: the same name, in the initial folder.
  ui.setInteractive(false);
  ASSERT_TRUE(runDialog("").accepted);
  EXPECT_EQ(run->job.outputPath.str(), out("Minutes_ March.pdf"));
}

TEST_F(SaveDialogTest, WithoutAnInterpreterThePdfTypeGoesBackToPostScriptAfterOneWarning) {
  run->job.interpreterKind = kNoInterpreter;
  script({"filetype: 1", "message: no", "filetype: 1", "accept: " + out("notes")});
  SaveDialogResult result = runDialog();
  ASSERT_TRUE(result.accepted);
  EXPECT_EQ(run->job.outputPath.str(), out("notes.ps"));
  EXPECT_EQ(run->job.filterIndex, 2);
  EXPECT_TRUE(result.postScriptChosen);
  EXPECT_EQ(messages(), std::vector<std::string>{stringTableText(kStrNoInterpreterDetected)});
  EXPECT_EQ(ui.eventsOf("message")[0][0], "0x34");
  EXPECT_EQ(last("filetype: 1").fileType, 2);

  // Interpreters are listed but none is chosen: the other text.
  setText(platform::HKLM, "SOFTWARE\\GPL Ghostscript\\10.00.0", "GS_DLL", "/usr/lib/libgs.so.10");
  ui.clearEvents();
  script({"filetype: 1", "cancel:"});
  runDialog();
  EXPECT_EQ(messages(), std::vector<std::string>{stringTableText(kStrNoInterpreterDefined)});
}

TEST_F(SaveDialogTest, ControlsDisabledForAReasonStayDisabledWhenTheSettingsAreShownAgain) {
  // No viewer on this machine. The preset scan and a profile choice show the
  // settings again, and so does every change of the file type.
  LoadedSettings settings;
  LoadSettings(run->keys, product, &settings);
  ASSERT_EQ(SaveProfile(run->keys, "Home", settings.record), 1);
  script({"check: 1028", "wait:", "filetype: 2", "choose: 1026 Home", "filetype: 1", "cancel:"});
  runDialog();
  auto enabled = [&](const std::string& moment, int id) {
    return last(moment).control(kSaveCustomDialog, id).enabled();
  };
  EXPECT_FALSE(enabled("wait:", kViewResultBox));
  EXPECT_TRUE(enabled("wait:", kEmailResultBox));
  for (int id : {kViewResultBox, kEmailResultBox, kQualityList, kQualityLabel})
    EXPECT_FALSE(enabled("choose: 1026 Home", id)) << id;
  EXPECT_FALSE(enabled("filetype: 1", kViewResultBox));
  EXPECT_TRUE(enabled("filetype: 1", kEmailResultBox));
  EXPECT_TRUE(enabled("filetype: 1", kQualityList));

  // Back to PDF, a box the administrator locked stays locked.
  run->job.pdfReaderInstalled = 1;
  setNumber(platform::HKCU, kUserKey, "lk_AutoEmail", 1);
  ui.clearEvents();
  script({"filetype: 2", "filetype: 1", "cancel:"});
  runDialog();
  EXPECT_TRUE(enabled("filetype: 1", kViewResultBox));
  EXPECT_FALSE(enabled("filetype: 1", kEmailResultBox));

  // Started as PostScript, the advanced box waits for a change of type.
  run->options.defaultExtIndex = 2;
  ui.clearEvents();
  script({"wait:", "filetype: 1", "cancel:"});
  runDialog();
  EXPECT_FALSE(enabled("wait:", kAdvancedBox));
  EXPECT_TRUE(enabled("filetype: 1", kAdvancedBox));
}

TEST_F(SaveDialogTest, ThePasswordDialogStaysOpenOnAnEmptyPassword) {
  script({"password:", "password: " + std::string(300, 'k'), "password: <cancel>",
          "password: <unavailable>"});
  std::string password;
  EXPECT_EQ(askExistingFilePassword(&password), 0);
  EXPECT_EQ(password, std::string(254, 'k'));
  // OK on the empty edit left the dialog open for the next answer.
  testsupport::DialogSnapshot stayed =
      testsupport::lastSnapshot(snapshots(), kPasswordDialog, "password:");
  EXPECT_EQ(stayed.control(kPasswordDialog, kNameEdit).text, "");
  EXPECT_EQ(askExistingFilePassword(&password), 1);
  EXPECT_EQ(askExistingFilePassword(&password), platform::kDialogUnavailable);
}

TEST_F(SaveDialogTest, AProfileNameIsNeverEmpty) {
  script({"profilename:", "profilename: Letters", "profilename: <cancel>"});
  std::string name = "unchanged";
  EXPECT_EQ(askProfileName("Old", &name), 1);
  EXPECT_EQ(name, "Letters");
  EXPECT_EQ(askProfileName("", &name), 0);
  auto snapshots = this->snapshots();
  EXPECT_EQ(testsupport::lastSnapshot(snapshots, kProfileNameDialog, "start")
                .control(kProfileNameDialog, kNameEdit)
                .text,
            "");
  // The first dialog started with the name it was given and stayed open
  // on OK with an empty edit.
  EXPECT_EQ(testsupport::lastSnapshot(snapshots, kProfileNameDialog, "profilename:")
                .control(kProfileNameDialog, kNameEdit)
                .text,
            "");
}

}  // namespace
}  // namespace vellora
