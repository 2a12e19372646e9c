// The Application page: the interpreter and the program's own options.
#include "common/interpreter_discovery.h"
#include "common/product.h"
#include "converter/job/job_helpers.h"
#include "converter/postscript/output_naming.h"
#include "converter/ui/dialog_ids.h"
#include "converter/ui/page_parts.h"
#include "converter/ui/string_table.h"

namespace vellora {

namespace {

constexpr const char kBuild[] = "080527";

struct Box {
  int id;
  const char* setting;
};

const Box kBoxes[] = {
    {kAutoNameBox, "AutoName"},
    {kRememberLastBox, "RememberLast"},
    {kClipboardBox, "FileToClipboard"},
    {kHideProfilesBox, "HideProfiles"},
};

std::int32_t& boxField(SettingsRecord& s, int id) {
  switch (id) {
    case kAutoNameBox: return s.AutoName;
    case kRememberLastBox: return s.RememberLast;
    case kClipboardBox: return s.FileToClipboard;
    default: return s.HideProfiles;
  }
}

}  // namespace

void showApplicationPage(SaveDialogState& state, platform::DialogControls& page) {
  SettingsRecord& s = state.settings.record;
  page.setText(kVersionLine, format("Version %d.%d  build %s", kVersionMajor, kVersionMinor, kBuild));
  InterpreterComboContent interpreters = InterpreterComboEntries();
  page.clearList(kInterpreterList);
  for (const std::string& name : interpreters.displayNames) page.addListEntry(kInterpreterList, name);
  page.select(kInterpreterList, interpreters.selected);
  for (const Box& box : kBoxes) page.setChecked(box.id, boxField(s, box.id) != 0);
  lockBySetting(state, page, kInterpreterList, "InterpreterSetting");
  lockBySetting(state, page, kInterpreterLabel, "InterpreterSetting");
  for (const Box& box : kBoxes) lockBySetting(state, page, box.id, box.setting);
}

void readApplicationPage(SaveDialogState& state, platform::DialogControls& page, bool closing) {
  SettingsRecord& s = state.settings.record;
  const std::string shown = page.text(kInterpreterList);
  const std::string location = InterpreterLocationFromDisplay(shown);     // 1.
  if (location != ReadInterpreterLocation() && !closing)                  // 2.
    platform::ui().messageBox(stringTableText(kStrRestartForChanges), state.job.messageCaption,
                              platform::kMbOk | platform::kMbIconWarning, state.dialog);
  StoreInterpreterLocation(location);                                      // 3.
  setFieldText(s.InterpreterSetting, shown);                               // 4.
  setFieldText(s.interpreterText, shown);
  for (const Box& box : kBoxes) boxField(s, box.id) = page.isChecked(box.id) ? 1 : 0;
}

void applicationPageClicked(SaveDialogState& state, platform::DialogControls& page, int controlId) {
  SettingsRecord& s = state.settings.record;
  JobRecord& job = state.job;
  switch (controlId) {
    case kAutoNameBox:
      s.AutoName = page.isChecked(kAutoNameBox) ? 1 : 0;
      if (s.AutoName) {
        state.keptOutputPath = job.outputPath.str();
        job.outputPath = autoNameFromTitle(job, job.title.str());
      } else {
        job.outputPath = state.keptOutputPath;
      }
      if (state.dialog) state.dialog->setFileName(job.outputPath.str(), false);
      break;
    case kRememberLastBox:
      s.RememberLast = page.isChecked(kRememberLastBox) ? 1 : 0;
      break;
    case kHideProfilesBox:
      s.HideProfiles = page.isChecked(kHideProfilesBox) ? 1 : 0;
      break;
    default:
      break;
  }
}

}  // namespace vellora
