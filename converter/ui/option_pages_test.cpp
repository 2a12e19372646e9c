// The option pages and the locks, as the user sees them in the snapshots.
#include "common/interpreter_discovery.h"
#include "converter/ui/background_scans.h"
#include "testsupport/converter/save_dialog_test_fixture.h"
#include "converter/ui/string_table.h"

namespace vellora {
namespace {

using testsupport::DialogSnapshot;

const char kUserKey[] = "SOFTWARE\\Norvale\\Vellora";
const char kPolicyKey[] = "Software\\Policies\\Norvale\\Vellora";

class OptionPagesTest : public SaveDialogTest {
 protected:
  const testsupport::ControlRecord& security(const DialogSnapshot& s, int id) {
    return s.control(kSecurityPageDialog, id);
  }
};

TEST_F(OptionPagesTest, TheSecurityPageFollowsTheEncryptionLevelAtOnce) {
  setNumber(platform::HKCU, kUserKey, "EncryptionLevel", 1);
  // 1026 is also the profile list's id: the page's radio button is named with its template.
  script({"check: 1028", "tab: Security", "click: 128/1026", "click: 1029", "cancel:"});
  runDialog();
  DialogSnapshot forty = last("tab: Security");
  EXPECT_TRUE(security(forty, kEncryption40Radio).checked());
  for (int id : {kAllowScreenReadingBox, kAllowAssemblyBox, kAllowDegradedPrintingBox,
                 kAllowFillInBox})
    EXPECT_EQ(security(forty, id).state, "disabled") << id;
  for (int id : {kAllowPrintingBox, kAllowCopyPasteBox, kUserPasswordEdit, kOwnerPasswordEdit,
                 kUserPasswordLabel})
    EXPECT_EQ(security(forty, id).state, "enabled") << id;

  DialogSnapshot strong = last("click: 128/1026");
  EXPECT_TRUE(security(strong, kEncryption128Radio).checked());
  EXPECT_FALSE(security(strong, kEncryption40Radio).checked());
  for (int id : {kAllowScreenReadingBox, kAllowAssemblyBox, kAllowDegradedPrintingBox,
                 kAllowFillInBox})
    EXPECT_EQ(security(strong, id).state, "enabled") << id;

  DialogSnapshot none = last("click: 1029");
  for (int id : {kUserPasswordEdit, kOwnerPasswordEdit, kAllowPrintingBox, kAllowCopyPasteBox,
                 kAllowModifyContentBox, kAllowModifyAnnotationsBox, kAllowScreenReadingBox,
                 kAllowAssemblyBox, kAllowDegradedPrintingBox, kAllowFillInBox})
    EXPECT_EQ(security(none, id).state, "disabled") << id;
  EXPECT_EQ(run->settings.record.EncryptionLevel, 0);
}

TEST_F(OptionPagesTest, LocksHideDisableOrOnlyForceTheValue) {
  setNumber(platform::HKCU, kPolicyKey, "lk_EAllowPrinting", 2);
  setNumber(platform::HKCU, kPolicyKey, "EAllowPrinting", 1);
  setNumber(platform::HKCU, kPolicyKey, "lk_PDFAuthor", 1);
  setText(platform::HKCU, kPolicyKey, "PDFAuthor", "Records Office");
  setNumber(platform::HKCU, kPolicyKey, "lk_PDFSubject", 3);
  setText(platform::HKCU, kPolicyKey, "PDFSubject", "Forced");
  setNumber(platform::HKCU, kUserKey, "EncryptionLevel", 2);
  script({"check: 1028", "type: 1024 Someone Else", "type: 1023 Changed", "tab: Security",
          "click: 1032", "click: 1029", "cancel:"});
  runDialog();
  DialogSnapshot general = last("check: 1028");
  EXPECT_EQ(general.control(kGeneralPageDialog, kAuthorEdit).state, "disabled");
  EXPECT_EQ(general.control(kGeneralPageDialog, kAuthorLabel).state, "disabled");
  EXPECT_EQ(general.control(kGeneralPageDialog, kAuthorEdit).text, "Records Office");
  // Level 3 forces the value but leaves the control to the user.
  EXPECT_EQ(general.control(kGeneralPageDialog, kSubjectEdit).state, "enabled");
  EXPECT_EQ(general.control(kGeneralPageDialog, kSubjectEdit).text, "Forced");
  auto refused = ui.eventsOf("refused");
  ASSERT_EQ(refused.size(), 2u);
  EXPECT_EQ(refused[0][1], "type: 1024 Someone Else");
  EXPECT_EQ(refused[1][1], "click: 1032");
  // Hidden at every level.
  EXPECT_TRUE(security(last("tab: Security"), kAllowPrintingBox).hidden());
  EXPECT_TRUE(security(last("click: 1029"), kAllowPrintingBox).hidden());
  EXPECT_EQ(fieldText(run->settings.record.PDFAuthor), "Records Office");
  EXPECT_EQ(run->settings.record.EAllowPrinting, 1);
}

TEST_F(OptionPagesTest, PostScriptOutputDisablesVersionLevelAndPasswords) {
  script({"check: 1028", "filetype: 2", "tab: Security", "cancel:"});
  runDialog();
  DialogSnapshot general = last("filetype: 2");
  EXPECT_EQ(general.control(kGeneralPageDialog, kPdfLevelList).state, "disabled");
  EXPECT_EQ(general.control(kGeneralPageDialog, kTitleEdit).state, "enabled");
  EXPECT_EQ(general.control(kSaveCustomDialog, kQualityList).state, "disabled");
  EXPECT_EQ(general.control(kSaveCustomDialog, kViewResultBox).state, "disabled");
  DialogSnapshot sec = last("tab: Security");
  for (int id : {kNoEncryptionRadio, kEncryption40Radio, kEncryption128Radio, kUserPasswordEdit,
                 kOwnerPasswordEdit, kEncryptionGroup, kPasswordGroup})
    EXPECT_EQ(security(sec, id).state, "disabled") << id;
}

TEST_F(OptionPagesTest, WithoutTheApplicationTabItsValuesAreNeitherShownNorRead) {
  setNumber(platform::HKCU, kUserKey, "DisableAppTab", 1);
  setNumber(platform::HKCU, kUserKey, "RememberLast", 1);
  script({"check: 1028", "tab: Application", "tab: Display", "cancel:"});
  runDialog();
  DialogSnapshot shown = last("tab: Display");
  EXPECT_EQ(shown.control(kSaveCustomDialog, kOptionTabs).entries,
            (std::vector<std::string>{"General", "Security", "Display"}));
  EXPECT_EQ(ui.eventsOf("refused")[0][2], "no such entry");
  EXPECT_EQ(run->settings.record.RememberLast, 1);
  EXPECT_EQ(fieldText(run->settings.record.InterpreterSetting), "");
}

TEST_F(OptionPagesTest, AStationeryThatIsGoneShowsLoadingThenNothingAndReadsNone) {
  std::string stationery = machine.path("stationery");
  testsupport::writeFile(stationery + platform::kPathSeparator + "Letterhead.pdf", "%PDF-1.4");
  testsupport::writeFile(stationery + platform::kPathSeparator + "Memo.pdf", "%PDF-1.4");
  setText(platform::HKCU, kUserKey, "StationeryPath", stationery);
  setText(platform::HKCU, kUserKey, "StationeryName", "Invoice");
  startStationeryScan(stationery, product);
  script({"check: 1028", "tab: Display", "wait:", "tab: General", "cancel:"});
  runDialog();
  const int display = kDisplayPageDialog;
  DialogSnapshot loading = last("tab: Display");
  EXPECT_EQ(loading.control(display, kStationeryList).entries,
            std::vector<std::string>{stringTableText(kStrLoading)});
  EXPECT_EQ(loading.control(display, kStationeryList).text, stringTableText(kStrLoading));
  DialogSnapshot filled = last("wait:");
  EXPECT_EQ(filled.control(display, kStationeryList).entries,
            (std::vector<std::string>{"None", "Letterhead", "Memo"}));
  EXPECT_EQ(filled.control(display, kStationeryList).selection, -1);
  EXPECT_EQ(fieldText(run->settings.record.StationeryName), "None");

  // A stationery that is there is selected once the list is filled.
  setText(platform::HKCU, kUserKey, "StationeryName", "Memo");
  ui.clearEvents();
  script({"check: 1028", "tab: Display", "wait:", "choose: 1078 Fit Width", "check: 1076",
          "accept: " + out("x.pdf")});
  ASSERT_TRUE(runDialog().accepted);
  DialogSnapshot chosen = last("wait:");
  EXPECT_EQ(chosen.control(display, kStationeryList).text, "Memo");
  // Full screen shows no navigation pane.
  EXPECT_EQ(last("check: 1076").control(display, kMenuList).selection, 0);
  EXPECT_EQ(fieldText(run->settings.record.StationeryName), "Memo");
  EXPECT_EQ(run->settings.record.ViewZoom, 1);
  EXPECT_EQ(run->settings.record.ViewFullScreen, 1);
}

TEST_F(OptionPagesTest, AnotherInterpreterAsksForARestartWhenLeavingThePageNotWhenClosing) {
  setText(platform::HKLM, "SOFTWARE\\GPL Ghostscript\\10.00.0", "GS_DLL", "/usr/lib/libgs.so.10");
  std::vector<std::string> listed = InterpreterComboEntries().displayNames;
  ASSERT_EQ(listed.size(), 2u);
  script({"check: 1028", "tab: Application", "choose: 1021 " + listed[1], "tab: General",
          "tab: Application", "choose: 1021 " + listed[0], "cancel:"});
  runDialog();
  EXPECT_EQ(messages(), std::vector<std::string>{stringTableText(kStrRestartForChanges)});
  EXPECT_EQ(ui.eventsOf("message")[0][0], "0x30");
  // Closing stored the last choice without a word.
  EXPECT_EQ(ReadInterpreterLocation(), InterpreterLocationFromDisplay(listed[0]));
  EXPECT_EQ(fieldText(run->settings.record.InterpreterSetting), listed[0]);
}

TEST_F(OptionPagesTest, LockProfilesTwoHidesTheListAndAllThreeButtons) {
  setNumber(platform::HKCU, kPolicyKey, "LockProfiles", 2);
  script({"check: 1028", "cancel:"});
  runDialog();
  DialogSnapshot s = last("check: 1028");
  for (int id : {kProfileList, kSaveProfileButton, kDefaultProfileButton, kDeleteProfileButton})
    EXPECT_TRUE(s.control(kSaveCustomDialog, id).hidden()) << id;
  EXPECT_FALSE(s.control(kSaveCustomDialog, kProfileGroup).hidden());
}

TEST_F(OptionPagesTest, TheAutoNameBoxPutsTheTitleNameIntoTheFieldAndBack) {
  script({"check: 1028", "tab: Application", "check: 1066", "clear: 1066", "cancel:"});
  runDialog("Draft");
  EXPECT_EQ(last("check: 1066").fileName, "Quarterly Report");
  EXPECT_EQ(last("clear: 1066").fileName, "Draft");
  EXPECT_EQ(run->settings.record.AutoName, 0);
}

}  // namespace
}  // namespace vellora
