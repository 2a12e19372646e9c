// The Save PDF dialog: where the user chooses the output file, its type and
// what happens to a file that already exists under that name.
//
// This is the dialog's driver on top of the platform's Save As dialog. The
// custom area (quality presets, profiles, the advanced options pages) joins
// it with the desktop user interface; until then the dialog does what its
// start and its acceptance do with the lists it would show: the default
// profile (or the last settings) is loaded, and the quality preset the
// settings name is handed to the interpreter.
#pragma once

#include <string>

#include "converter/job/converter_run.h"

namespace vellora {

struct SaveDialogSetup {
  std::string initialFolder;
  std::string initialName;
};

struct SaveDialogResult {
  bool accepted = false;
  bool postScriptChosen = false;  // PostScript output: no interpreter run, no e-mail
};

// Runs the dialog. On acceptance job.outputPath, job.filterIndex and
// job.existingFileMode hold the choice and the interpreter's preset argument
// is set; on cancel the job's three temporary files are deleted, as the
// dialog's owner expects.
SaveDialogResult runSavePdfDialog(ConverterRun& run, const SaveDialogSetup& setup);

// The dialog's title: "Vellora 2.58 Professional - Save PDF Document".
std::string saveDialogTitle();

}  // namespace vellora
