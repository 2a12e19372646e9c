#include "converter/ui/save_pdf_dialog.h"

#include "common/product.h"
#include "converter/job/job_helpers.h"
#include "converter/settings/presets.h"
#include "converter/settings/settings_keys.h"
#include "converter/ui/profile_bar.h"
#include "converter/ui/string_table.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/ui.h"

namespace vellora {

namespace {

std::string folderOf(const std::string& path) {
  std::string::size_type cut = path.find_last_of(platform::kPathSeparator);
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

std::vector<platform::FileFilter> fileTypes(const JobRecord& job) {
  std::vector<platform::FileFilter> filters = {{"PDF Documents (*.pdf)", "*.pdf"},
                                               {"Postscript Files (*.ps)", "*.ps"}};
  for (const ExtraFileType& type : job.extraFileTypes)
    filters.push_back({type.description, type.extension});
  return filters;
}

// Asks what to do with an existing file: 0 refuses the name, 1-3 accept it.
int existingFileChoice(JobRecord& job, const std::string& path) {
  if (!platform::fileExists(path)) return -1;
  if (!platform::canOpenExclusively(path)) {
    showMessageId(job, kStrFileLocked, platform::kMbOk | platform::kMbIconWarning);
    return 0;
  }
  return platform::ui().fileExistsDialog();
}

// The quality list as the dialog shows it: the entry PDFQuality names
// ("Standard" when empty), else the first. Accepting reads it back into the
// settings and hands its preset to the interpreter.
void acceptQualityShown(JobRecord& job, SettingsRecord& settings, const PresetList& presets) {
  const std::vector<std::string> texts = presetListTexts(presets);
  std::string quality = fieldText(settings.PDFQuality);
  if (quality.empty()) quality = stringTableText(kStrPresetStandard);
  int index = 0;
  for (std::size_t i = 0; i < texts.size(); ++i)
    if (startsWithIgnoreCase(texts[i], quality)) {
      index = static_cast<int>(i);
      break;
    }
  setFieldText(settings.PDFQuality, texts[static_cast<std::size_t>(index)]);
  settings.autooptsetting = index;
  ChoosePresetArgument(job, presets, index, settings);
}

}  // namespace

std::string saveDialogTitle() {
  return format("%s %d.%d %s - %s", kProductName, kVersionMajor, kVersionMinor,
                stringTableText(kStrEdition).c_str(), stringTableText(kStrSaveDialogTitle).c_str());
}

SaveDialogResult runSavePdfDialog(ConverterRun& run, const SaveDialogSetup& setup) {
  JobRecord& job = run.job;
  SettingsRecord& settings = run.settings.record;
  const PresetList presets = PresetScan(job.installDir);
  ProfileListModel profiles;
  ProfileBar(profiles, profileJobFor(run), run.settings, nullptr).fill(std::string());

  platform::SaveAsRequest request;
  request.title = saveDialogTitle();
  request.initialFolder = setup.initialFolder;
  request.initialName = setup.initialName;
  request.filters = fileTypes(job);
  request.filterIndex = job.defaultFilterIndex;
  request.defaultExtension = job.defaultExtension;

  SaveDialogResult result;
  // A refused name keeps the dialog open: ask again until a name is accepted
  // or the user cancels.
  for (;;) {
    platform::SaveAsResult answer = platform::ui().saveAs(request);
    if (!answer.accepted) break;
    int choice = existingFileChoice(job, answer.path);
    if (choice == 0) {
      request.initialFolder = folderOf(answer.path);
      continue;
    }
    job.outputPath = answer.path;
    job.filterIndex = answer.filterIndex;
    job.existingFileMode = choice < 0 ? 0 : choice;
    platform::RegKey user;
    if (user.create(kUserRoot, kUserKey) == platform::kRegOk)
      user.setString("LastDirectory", folderOf(answer.path));
    if (job.filterIndex == 2 && job.interpreterKind != kDistiller) result.postScriptChosen = true;
    acceptQualityShown(job, settings, presets);
    result.accepted = true;
    break;
  }

  if ((job.copyNameToClipboard || settings.FileToClipboard) && !job.outputPath.empty())
    platform::ui().copyToClipboard(cut(job.outputPath, 1000));
  if (!result.accepted) {
    for (const PathText* file : {&job.workFile, &job.utilityOutFile, &job.backupFile})
      if (!file->empty()) platform::deleteFile(*file);
  }
  return result;
}

}  // namespace vellora
