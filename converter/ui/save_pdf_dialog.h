// The Save PDF dialog: the system's Save As dialog with the custom area of
// template 101 below it (quality presets, the view and e-mail boxes, the
// advanced options toggle, the profile controls and the option pages). It
// edits the settings record in place, decides what happens to an existing
// file of the chosen name and leaves its choices in the job record.
#pragma once

#include <string>

#include "converter/job/converter_run.h"
#include "converter/ui/save_dialog_state.h"
#include "platform/ui.h"

namespace vellora {

struct SaveDialogSetup {
  std::string initialFolder;
  std::string initialName;
  // The name another component proposed for this document; empty when none.
  std::string savedName;
};

struct SaveDialogResult {
  bool accepted = false;
  bool postScriptChosen = false;  // PostScript output: no interpreter run, no e-mail
  // No dialog could be shown (no desktop, no script): the job was given the
  // initial folder and name, made unique, without asking.
  bool shownNoDialog = false;
};

// Runs the dialog. On acceptance job.outputPath, job.filterIndex and
// job.existingFileMode hold the choice and the settings hold what the user
// set; a cancelled dialog deletes the job's three temporary files. When no
// dialog can be shown the job is named without one (see SaveDialogResult),
// with the settings the dialog would have started with (the remembered
// settings or the default profile, and their quality preset).
// Without an initial or proposed name the dialog starts with the name made
// from the document's title.
SaveDialogResult runSavePdfDialog(ConverterRun& run, const SaveDialogSetup& setup);

// The dialog's title: "Vellora 2.58 Professional - Save PDF Document".
std::string saveDialogTitle();

// The events of the Save As dialog and its custom area.
class SaveDialogHook : public platform::DialogHandler {
 public:
  explicit SaveDialogHook(SaveDialogState& state) : state_(state) {}
  void initialised(platform::Dialog& dialog) override;
  void clicked(platform::Dialog& dialog, int controlId) override;
  void selectionChanged(platform::Dialog& dialog, int controlId) override;
  void tabChanged(platform::Dialog& dialog, int tabControlId) override;
  void fileTypeChanged(platform::Dialog& dialog, int filterIndex) override;
  bool nameAccepted(platform::Dialog& dialog, const std::string& path) override;
  void closing(platform::Dialog& dialog) override;

 private:
  SaveDialogState& state_;
};

// The name a PDF result gets: ".pdf" added unless the name ends in it (any
// letter case). Other types keep their name.
std::string finalOutputName(const std::string& chosen, int filterIndex);

}  // namespace vellora
