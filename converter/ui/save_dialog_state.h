// What the Save PDF dialog holds while it is open, and the operations on its
// own controls that the option pages, the profile controls and the
// background scans share.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "converter/job/converter_run.h"
#include "converter/settings/presets.h"
#include "platform/ui.h"

namespace vellora {

// The option pages, in tab order.
enum OptionPage { kGeneralPage = 0, kSecurityPage = 1, kDisplayPage = 2, kApplicationPage = 3 };
constexpr int kOptionPageCount = 4;

class OptionPageHandler;

struct SaveDialogState {
  explicit SaveDialogState(ConverterRun& converterRun);
  ~SaveDialogState();

  ConverterRun& run;
  JobRecord& job;
  LoadedSettings& settings;

  // The custom area while the dialog is open (its operations reach the whole
  // Save As dialog); nullptr before it starts and after it closes.
  platform::Dialog* dialog = nullptr;
  // The page shown inside the tab control, and its index (OptionPage).
  std::unique_ptr<platform::Dialog> page;
  int currentPage = kGeneralPage;
  int pageCount = kOptionPageCount;  // 3 when the Application page is not offered
  std::unique_ptr<OptionPageHandler> pageHandler;

  // Horizontal and vertical pixels per inch divided by 96.
  double scaleX = 1.0;
  double scaleY = 1.0;
  int compactWidth = 0;
  int compactHeight = 0;
  bool initialised = false;
  // The missing-interpreter warning was given in this dialog.
  bool warningGiven = false;
  // Still set when the dialog closes: it was cancelled and the job's
  // temporary files go.
  bool temporaryFiles = true;
  // The user chose PostScript output (neither viewed nor mailed).
  bool postScriptChosen = false;
  // The dialog started with a type other than PDF: the advanced options box
  // stays disabled until the user changes the type.
  bool advancedHeld = false;
  // The name another component proposed for this document (empty when none).
  std::string savedName;
  // outputPath as it was before an automatic name from the title replaced it.
  std::string keptOutputPath;
  // Whether the user's "locationy" is stored (the advanced toggle at start
  // may then move the window).
  bool locationYStored = false;

  // The quality presets found by the preset scan; written by its thread
  // before it posts to the dialog, read on the dialog's thread.
  struct Presets {
    std::mutex lock;
    bool scanned = false;
    PresetList found;                // the preset files; none: the built-in presets
    std::vector<std::string> shown;  // what the quality list shows
  };
  std::shared_ptr<Presets> presets = std::make_shared<Presets>();
};

// The dialog's own controls (custom area): the quality list, the three
// boxes and the profile controls, with their locks. A control disabled for a
// reason besides its lock stays disabled whenever this runs: the quality
// list for any type but PDF, the view box without a viewer, the view and
// e-mail boxes for PostScript output, the advanced box while held.
void ShowMainControls(SaveDialogState& state);
void ReadMainControls(SaveDialogState& state);

// The option pages: values into the controls, with locks and file-type
// rules; and back into the settings (`closing`: the dialog is closing, so
// no restart message).
void ShowPage(SaveDialogState& state, int page);
void ReadPage(SaveDialogState& state, int page, bool closing);

// After the settings were replaced (a profile loaded): the page shown and
// the dialog's own controls show them.
void RefreshSaveDialog(SaveDialogState& state);

// The first entry of a list that begins with `prefix` (letter case
// ignored), -1 when none does.
int findEntryStartingWith(const platform::DialogControls& dialog, int listId, const std::string& prefix);

// Applies the lock of a control: hidden when either level is 2, else
// disabled when either is above 0, else enabled.
void ApplyLock(platform::DialogControls& dialog, int controlId, int lockLevel, int pageLevel);

}  // namespace vellora
