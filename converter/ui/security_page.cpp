// The Security page: encryption level, passwords and permissions.
#include "converter/ui/dialog_ids.h"
#include "converter/ui/page_parts.h"

namespace vellora {

namespace {

struct Permission {
  int box;
  const char* setting;
  bool only128;  // exists with 128-bit keys only
};

const Permission kPermissions[] = {
    {kAllowPrintingBox, "EAllowPrinting", false},
    {kAllowCopyPasteBox, "EAllowCopyPaste", false},
    {kAllowModifyContentBox, "EAllowModifyContent", false},
    {kAllowModifyAnnotationsBox, "EAllowModifyAnnotations", false},
    {kAllowScreenReadingBox, "EAllowScreenReading", true},
    {kAllowAssemblyBox, "EAllowAssembly", true},
    {kAllowDegradedPrintingBox, "EAllowDegradedPrinting", true},
    {kAllowFillInBox, "EAllowFillIn", true},
};

std::int32_t& permissionField(SettingsRecord& s, int box) {
  switch (box) {
    case kAllowPrintingBox: return s.EAllowPrinting;
    case kAllowCopyPasteBox: return s.EAllowCopyPaste;
    case kAllowModifyContentBox: return s.EAllowModifyContent;
    case kAllowModifyAnnotationsBox: return s.EAllowModifyAnnotations;
    case kAllowScreenReadingBox: return s.EAllowScreenReading;
    case kAllowAssemblyBox: return s.EAllowAssembly;
    case kAllowDegradedPrintingBox: return s.EAllowDegradedPrinting;
    default: return s.EAllowFillIn;
  }
}

const int kLevelRadios[] = {kNoEncryptionRadio, kEncryption40Radio, kEncryption128Radio};

}  // namespace

void showSecurityPage(SaveDialogState& state, platform::DialogControls& page) {
  SettingsRecord& s = state.settings.record;
  LockTable& pageState = state.settings.controlLocks;
  const int level = s.EncryptionLevel >= 0 && s.EncryptionLevel <= 2 ? s.EncryptionLevel : 0;

  for (int i = 0; i < 3; ++i) {                                       // 1.
    page.enable(kLevelRadios[i], true);
    page.setChecked(kLevelRadios[i], i == level);
  }
  // 2. What the level allows, kept as page state beside the locks.
  const int passwordsState = level == 0 ? 1 : 0;
  pageState.set("EUserPassword", passwordsState);
  pageState.set("EOwnerPassword", passwordsState);
  for (const Permission& p : kPermissions)
    pageState.set(p.setting, p.only128 ? (level == 2 ? 0 : 1) : passwordsState);

  page.setText(kUserPasswordEdit, fieldText(s.EUserPassword));        // 3.
  page.setText(kOwnerPasswordEdit, fieldText(s.EOwnerPassword));
  for (const Permission& p : kPermissions) page.setChecked(p.box, permissionField(s, p.box) != 0);

  for (const Permission& p : kPermissions) lockBySetting(state, page, p.box, p.setting);  // 4.
  lockBySetting(state, page, kUserPasswordEdit, "EUserPassword");
  lockBySetting(state, page, kUserPasswordLabel, "EUserPassword");
  lockBySetting(state, page, kOwnerPasswordEdit, "EOwnerPassword");
  lockBySetting(state, page, kOwnerPasswordLabel, "EOwnerPassword");
  for (int radio : kLevelRadios) lockBySetting(state, page, radio, "EncryptionLevel");

  if (state.job.filterIndex != 1) {                                   // 5.
    for (int id : {kEncryptionGroup, kPasswordGroup, kUserPasswordLabel, kOwnerPasswordLabel,
                   kNoEncryptionRadio, kEncryption40Radio, kEncryption128Radio, kUserPasswordEdit,
                   kOwnerPasswordEdit, kAllowPrintingBox, kAllowCopyPasteBox, kAllowModifyContentBox,
                   kAllowModifyAnnotationsBox})
      page.enable(id, false);
  }
}

void readSecurityPage(SaveDialogState& state, platform::DialogControls& page) {
  SettingsRecord& s = state.settings.record;
  s.EncryptionLevel = page.isChecked(kEncryption40Radio)    ? 1
                      : page.isChecked(kEncryption128Radio) ? 2
                                                            : 0;
  setFieldText(s.EUserPassword, page.text(kUserPasswordEdit).substr(0, kShortTextLimit));
  setFieldText(s.EOwnerPassword, page.text(kOwnerPasswordEdit).substr(0, kShortTextLimit));
  for (const Permission& p : kPermissions) permissionField(s, p.box) = page.isChecked(p.box) ? 1 : 0;
}

}  // namespace vellora
