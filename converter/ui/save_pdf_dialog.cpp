#include "converter/ui/save_pdf_dialog.h"

#include <algorithm>
#include <cmath>

#include "common/interpreter_discovery.h"
#include "common/product.h"
#include "converter/job/job_helpers.h"
#include "converter/job/run_log.h"
#include "converter/postscript/output_naming.h"
#include "converter/settings/presets.h"
#include "converter/settings/settings_keys.h"
#include "converter/settings/store_access.h"
#include "converter/ui/background_scans.h"
#include "converter/ui/dialog_ids.h"
#include "converter/ui/dialog_templates.h"
#include "converter/ui/option_pages.h"
#include "converter/ui/profile_bar.h"
#include "converter/ui/profile_list.h"
#include "converter/ui/small_windows.h"
#include "converter/ui/string_table.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "platform/ui.h"

namespace vellora {

namespace {

using platform::Dialog;
using platform::PixelRect;

// A stored window position that was never written reads as this.
constexpr std::int32_t kNoLocation = -999;
// Where the maker offers a free interpreter.
constexpr const char kInterpreterDownloadPage[] = "https://www.norvale.example/interpreter";
// The clipboard takes at most this many characters of the chosen name.
constexpr std::size_t kClipboardLimit = 999;

int round(double value) { return static_cast<int>(std::lround(value)); }

std::vector<platform::FileFilter> fileTypes(const JobRecord& job) {
  std::vector<platform::FileFilter> filters = {{"PDF Documents (*.pdf)", "*.pdf"},
                                               {"Postscript Files (*.ps)", "*.ps"}};
  for (const ExtraFileType& type : job.extraFileTypes)
    filters.push_back({type.description, type.extension});
  return filters;
}

// A message box of the dialog: product caption, owned by the Save dialog.
int ask(SaveDialogState& state, int stringId, unsigned flags) {
  return platform::ui().messageBox(stringTableText(stringId), state.job.messageCaption, flags,
                                   state.dialog);
}

int lockOf(const SaveDialogState& state, const char* setting) {
  return state.settings.locks.of(setting);
}

// What the file type decides for the dialog's own controls: a PostScript
// file is neither viewed nor mailed, and only a PDF has a quality. The
// controls themselves follow in ShowMainControls, with their locks.
void applyFileType(SaveDialogState& state, int filterIndex) {
  const bool distiller = state.job.interpreterKind == kDistiller;
  state.advancedHeld = false;
  if (filterIndex == 1) {
    state.warningGiven = false;
    if (!distiller) state.postScriptChosen = false;
  } else if (filterIndex == 2) {
    if (!distiller) state.postScriptChosen = true;
  } else {
    state.postScriptChosen = false;
  }
}

// Without an interpreter only PostScript can be made: a type that needs one
// goes back to PostScript, with a word about it once per dialog. (Staying on
// the PDF type would write PostScript under a ".pdf" name.) True when the
// type went back.
bool backToPostScript(SaveDialogState& state) {
  Dialog& d = *state.dialog;
  // (A PDF job is a PDF without one.)
  if (state.job.interpreterKind != kNoInterpreter || state.job.pdfJob || d.filterIndex() == 2)
    return false;
  if (!state.warningGiven) {
    state.warningGiven = true;
    if (CountInterpreters() > 1) {
      ask(state, kStrNoInterpreterDefined, platform::kMbOk | platform::kMbIconWarning);
    } else if (ask(state, kStrNoInterpreterDetected,
                   platform::kMbYesNo | platform::kMbIconWarning) == platform::kIdYes) {
      platform::shellOpen(kInterpreterDownloadPage);
    }
  }
  d.setFilterIndex(2);
  state.job.filterIndex = 2;
  applyFileType(state, 2);
  ReadPage(state, state.currentPage, false);
  ShowPage(state, state.currentPage);
  ShowMainControls(state);
  return true;
}

// The advanced options toggle (box 1028), also applied once at start.
void applyAdvancedToggle(SaveDialogState& state, bool atStart) {
  Dialog& d = *state.dialog;
  PixelRect window = d.windowRect();
  if (!d.isChecked(kAdvancedBox)) {
    d.setWindowRect({window.x, window.y, window.width, state.compactHeight});
    return;
  }
  if (state.settings.record.HideProfiles == 1 && d.hasControl(kProfileGroup)) {
    PixelRect group = d.controlRect(kProfileGroup);
    for (int id : {kProfileGroup, kSaveProfileButton, kDefaultProfileButton, kProfileList,
                   kDeleteProfileButton})
      d.destroyControl(id);
    PixelRect tabs = d.controlRect(kOptionTabs);
    d.moveControl(kOptionTabs, {round(7 * state.scaleX), group.y, tabs.width, tabs.height});
    window = d.windowRect();
    int height = d.screenRect(kOptionTabs).bottom() + round(7 * state.scaleY) - window.y;
    d.setWindowRect(
        {window.x, window.y, state.compactWidth + round(3 * state.scaleX), height});
    return;
  }
  const int toTabsBottom = d.screenRect(kOptionTabs).bottom() - window.y;
  const int height = toTabsBottom + round(7 * state.scaleY);
  PixelRect placed = {window.x, window.y, state.compactWidth + round(3 * state.scaleX), height};
  if (atStart && !state.locationYStored) {
    platform::ScreenMetrics screen = d.screen();
    if (screen.height - round(4 * state.scaleY) < toTabsBottom) {
      // Too tall for the screen: as much of it as fits, from the top.
      placed.height = toTabsBottom;
      placed.y = -3;
      placed.x = (screen.width - placed.width) / 2;
    } else {
      placed.y = (screen.height - height) / 2;
    }
  }
  d.setWindowRect(placed);
}

// Start steps 1-5: measure, size the compact form, build the tabs, place.
void sizeAndPlace(SaveDialogState& state) {
  Dialog& d = *state.dialog;
  platform::ScreenMetrics screen = d.screen();
  state.scaleX = screen.pixelsPerInchX / 96.0;
  state.scaleY = screen.pixelsPerInchY / 96.0;

  PixelRect window = d.windowRect();
  state.compactWidth =
      d.screenRect(platform::kSaveAsCancelButton).right() + round(10 * state.scaleX) - window.x;
  state.compactHeight = d.screenRect(platform::kCustomArea).y +
                        d.toPixels({0, 0, 0, kCompactRows}).height + round(9 * state.scaleY) -
                        window.y;

  BuildTabs(state);

  std::int32_t x = readStoreNumber(StoreKey::kUser, "locationx", kNoLocation);
  std::int32_t y = readStoreNumber(StoreKey::kUser, "locationy", kNoLocation);
  state.locationYStored = y != kNoLocation;
  if (x == kNoLocation || x < 0 || x + state.compactWidth > screen.width)
    x = (screen.width - state.compactWidth) / 2;
  if (y == kNoLocation || y < 0 || y + state.compactHeight > screen.height)
    y = (screen.height - state.compactHeight) / 2;
  d.setWindowRect({x, y, state.compactWidth + round(3 * state.scaleX), state.compactHeight});
  d.setBigIcon(kDialogIcon);
}

// Start step 8: the file name field.
void fillFileName(SaveDialogState& state) {
  Dialog& d = *state.dialog;
  JobRecord& job = state.job;
  if (readStoreNumber(StoreKey::kMachine, "autoname") == 1 || job.suppressDialog)
    d.setFileName(job.title.str(), true);
  if (!state.savedName.empty()) {
    d.setFileName(state.savedName, false);
  } else if (state.settings.record.AutoName == 1) {
    state.keptOutputPath = job.outputPath.str();
    job.outputPath = autoNameFromTitle(job, job.title.str());
    d.setFileName(job.outputPath.str(), false);
  }
}

// Step 2 of accepting: what to do with a file already there. False refuses
// the name.
bool decideExistingFile(SaveDialogState& state, const std::string& path) {
  state.job.existingFileMode = 0;
  if (!platform::fileExists(path)) return true;
  if (!platform::canOpenExclusively(path)) {
    ask(state, kStrFileLocked, platform::kMbOk | platform::kMbIconWarning);
    return false;
  }
  int choice = askFileExists();
  if (choice < 1 || choice > 3) return false;
  state.job.existingFileMode = choice;
  return true;
}

// Step 5 of accepting: a password without encryption, or encryption whose
// restrictions nobody could lift. False refuses the name.
bool passwordsAgreed(SaveDialogState& state) {
  const SettingsRecord& s = state.settings.record;
  if (state.job.filterIndex != 1 || s.DisablePasswordWarnings != 0) return true;
  bool noPasswords = s.EUserPassword[0] == '\0' && s.EOwnerPassword[0] == '\0';
  if (s.EncryptionLevel > 0 && noPasswords && lockOf(state, "EOwnerPassword") == 0)
    return ask(state, kStrNoOwnerPassword, platform::kMbYesNo | platform::kMbIconQuestion) ==
           platform::kIdYes;
  if (s.EncryptionLevel == 0 && !noPasswords)
    return ask(state, kStrPasswordWithoutSecurity, platform::kMbYesNo | platform::kMbIconWarning) ==
           platform::kIdYes;
  return true;
}

// Nobody can be asked, yet the job runs with the settings the dialog would
// have started with: the remembered ones or the default profile (as the
// dialog's start loads them), and the quality preset they name.
void applyStartingProfile(ConverterRun& run) {
  ProfileListModel list;
  ProfileBar bar(list, profileJobFor(run), run.settings, nullptr);
  bar.fill(std::string());
  ChoosePresetArgument(run.job, PresetScan(run.job.installDir.str()), -1, run.settings.record);
}

// No desktop and no script: the job is not lost for want of a question. It
// takes the dialog's folder and name, never a name a file already has.
SaveDialogResult nameWithoutDialog(ConverterRun& run, const SaveDialogSetup& setup) {
  JobRecord& job = run.job;
  std::string folder = setup.initialFolder;
  if (folder.empty()) folder = platform::documentsFolder();
  platform::createDirectories(folder);
  std::string name = setup.savedName.empty() ? setup.initialName : setup.savedName;
  // A name with a folder of its own (one proposed for this document) goes
  // there when that folder exists, as the dialog would have gone.
  std::string::size_type slash = name.find_last_of("/\\");
  if (slash != std::string::npos) {
    std::string own = name.substr(0, slash);
    if (!own.empty() && platform::isDirectory(own)) folder = own;
    name = name.substr(slash + 1);
  }
  std::string extension = job.defaultExtension.empty() ? "pdf" : job.defaultExtension;
  if (job.defaultFilterIndex == 1) extension = "pdf";
  if (endsWithIgnoreCase(name, "." + extension)) name.erase(name.size() - extension.size() - 1);
  if (name.empty()) name = "Untitled";
  std::string stem = folder + platform::kPathSeparator + name;
  int counter = 0;
  std::string path = unusedName([&] {
    std::string candidate = stem + (counter ? std::to_string(counter) : std::string()) + "." + extension;
    ++counter;
    return candidate;
  });
  job.outputPath = path;
  job.filterIndex = job.defaultFilterIndex;
  job.existingFileMode = 0;
  // Another job may take the same free name before this one is done: the
  // result claims it when it is placed, and counts on if it is taken.
  job.nameClaim = kClaimCounter;
  job.claimHead = stem;
  job.claimName.clear();
  job.claimExtension = extension;
  appendLog(job.errorLog,
            "%s\nNo Save PDF dialog was shown: %s.\nThe document was saved as %s\n",
            platform::ui().description().c_str(), path.c_str());
  writeRunLog(job);
  SaveDialogResult result;
  result.accepted = !platform::fileExists(path);
  result.shownNoDialog = true;
  result.postScriptChosen = false;
  return result;
}

// Where and with what name the dialog starts. When no naming rule gave a
// name, the document's title rather than an empty field: a user who only
// presses Save gets the document's own name, as a job saved without asking
// does (the job's name buffer holds it too, so that the title box can switch
// back to it). The folder the options name is made when it is missing (a
// new user's ~/Documents), as it is for a job saved without asking, rather
// than the dialog opening somewhere else.
SaveDialogSetup startingPoint(JobRecord& job, SaveDialogSetup setup) {
  if (setup.initialName.empty() && setup.savedName.empty()) {
    setup.initialName = autoNameFromTitle(job, job.title.str());
    job.outputPath = setup.initialName;
  }
  if (!setup.initialFolder.empty() && !platform::isDirectory(setup.initialFolder))
    platform::createDirectories(setup.initialFolder);
  return setup;
}

}  // namespace

std::string saveDialogTitle() {
  return format("%s %d.%d %s - %s", kProductName, kVersionMajor, kVersionMinor,
                stringTableText(kStrEdition).c_str(), stringTableText(kStrSaveDialogTitle).c_str());
}

std::string finalOutputName(const std::string& chosen, int filterIndex) {
  return filterIndex == 1 ? pdfOutputName(chosen) : chosen;
}

void SaveDialogHook::initialised(Dialog& dialog) {
  SaveDialogState& state = state_;
  state.dialog = &dialog;
  sizeAndPlace(state);                       // 1.-5.
  dialog.clearList(kQualityList);            // 6.
  startPresetScan(state);
  const std::string current;
  FillProfileList(state, &current);          // 7.
  fillFileName(state);                       // 8.
  state.job.filterIndex = dialog.filterIndex();  // 9.
  state.advancedHeld = state.job.filterIndex > 1;
  ShowMainControls(state);  // (the view box goes disabled without a viewer: 11.)
  applyAdvancedToggle(state, true);          // 10.
  if (state.job.pdfReaderInstalled &&        // 11.
      readStoreNumber(StoreKey::kUser, "AutoLaunch") == 1)
    dialog.setChecked(kViewResultBox, true);
  dialog.showWindow(true);                   // 12.
  state.initialised = true;
  backToPostScript(state);
}

void SaveDialogHook::clicked(Dialog&, int controlId) {
  switch (controlId) {
    case kAdvancedBox:
      applyAdvancedToggle(state_, false);
      break;
    case kSaveProfileButton:
      SaveCurrentProfile(state_);
      break;
    case kDefaultProfileButton:
      SetDefaultProfile(state_);
      break;
    case kDeleteProfileButton:
      DeleteSelectedProfile(state_);
      break;
    default:
      break;
  }
}

void SaveDialogHook::selectionChanged(Dialog&, int controlId) {
  if (controlId == kProfileList) SelectProfile(state_);
}

void SaveDialogHook::tabChanged(Dialog& dialog, int tabControlId) {
  if (tabControlId != kOptionTabs) return;
  int page = dialog.selection(kOptionTabs);
  if (page < 0 || page >= state_.pageCount) return;
  SwitchPage(state_, page);
}

void SaveDialogHook::fileTypeChanged(Dialog&, int filterIndex) {
  SaveDialogState& state = state_;
  state.job.filterIndex = filterIndex;
  if (backToPostScript(state)) return;
  applyFileType(state, filterIndex);
  ReadPage(state, state.currentPage, false);
  ShowPage(state, state.currentPage);
  ShowMainControls(state);
}

bool SaveDialogHook::nameAccepted(Dialog& dialog, const std::string& path) {
  SaveDialogState& state = state_;
  JobRecord& job = state.job;
  state.temporaryFiles = false;                                  // 1.
  job.filterIndex = dialog.filterIndex();
  // The check sees the name the result will really have.
  std::string chosen = finalOutputName(path, job.filterIndex);   // 2.
  if (!decideExistingFile(state, chosen)) return false;
  writeStoreText(StoreKey::kUser, "LastDirectory", dialog.folder());  // 3.
  ReadPage(state, state.currentPage, false);                     // 4.
  ReadMainControls(state);
  if (!passwordsAgreed(state)) return false;                     // 5.
  if (dialog.isChecked(kViewResultBox)) job.viewAfterConversion = 1;  // 6.
  if (dialog.isChecked(kEmailResultBox)) job.autoEmail = 1;
  ReadMainControls(state);                                       // 7.
  choosePreset(state, dialog.selection(kQualityList));
  if (job.filterIndex == 2 && job.interpreterKind != kDistiller) state.postScriptChosen = true;
  PixelRect window = dialog.windowRect();                        // 8.
  writeStoreNumber(StoreKey::kUser, "locationx", window.x);
  writeStoreNumber(StoreKey::kUser, "locationy", window.y);
  job.outputPath = path;
  return true;
}

void SaveDialogHook::closing(Dialog&) {
  SaveDialogState& state = state_;
  JobRecord& job = state.job;
  ReadPage(state, state.currentPage, true);
  ReadMainControls(state);
  if (job.copyNameToClipboard || state.settings.record.FileToClipboard)
    platform::ui().copyToClipboard(cut(job.outputPath.str(), kClipboardLimit));
  if (state.temporaryFiles) {
    for (const PathText* file : {&job.workFile, &job.utilityOutFile, &job.backupFile})
      if (!file->empty()) platform::deleteFile(*file);
  }
  state.page.reset();
  state.dialog = nullptr;
}

SaveDialogResult runSavePdfDialog(ConverterRun& run, const SaveDialogSetup& given) {
  JobRecord& job = run.job;
  const SaveDialogSetup setup = startingPoint(job, given);
  if (!platform::ui().interactive()) {
    applyStartingProfile(run);
    return nameWithoutDialog(run, setup);
  }

  platform::SaveAsRequest request;
  request.title = saveDialogTitle();
  request.initialFolder = setup.initialFolder;
  request.initialName = setup.initialName;
  request.filters = fileTypes(job);
  request.filterIndex = job.defaultFilterIndex;
  request.defaultExtension = job.defaultExtension;
  request.nameCapacity = kPathCapacity - 1;

  SaveDialogState state(run);
  state.savedName = setup.savedName;
  SaveDialogHook hook(state);
  platform::SaveAsResult answer = platform::ui().runSaveAs(request, kSaveCustomTemplate, hook);
  if (answer.status == platform::SaveAsStatus::kUnavailable) {
    // A dialog that went away after its start has loaded them already, and
    // may hold what the user changed since.
    if (!state.initialised) applyStartingProfile(run);
    return nameWithoutDialog(run, setup);
  }

  SaveDialogResult result;
  result.accepted = answer.accepted();
  if (result.accepted) {
    job.outputPath = answer.path;
    job.filterIndex = answer.filterIndex;
    result.postScriptChosen = state.postScriptChosen;
  }
  return result;
}

}  // namespace vellora
