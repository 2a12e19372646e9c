// The Save PDF dialog: where the user chooses the output file, its type and
// what happens to a file that already exists under that name.
//
// This is the dialog's driver on top of the platform's Save As dialog. The
// custom area (quality presets, profiles, the advanced options pages) joins
// it with the desktop user interface; the choices it would make are taken
// from the settings record as they stand.
#pragma once

#include <string>

#include "converter/job/job_record.h"
#include "converter/settings/settings_record.h"

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
// job.existingFileMode hold the choice; on cancel the job's three temporary
// files are deleted, as the dialog's owner expects.
SaveDialogResult runSavePdfDialog(JobRecord& job, const SettingsRecord& settings,
                                  const SaveDialogSetup& setup);

// The dialog's title: "Vellora 2.58 Professional - Save PDF Document".
std::string saveDialogTitle();

}  // namespace vellora
