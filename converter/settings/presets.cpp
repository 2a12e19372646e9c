#include "converter/settings/presets.h"

#include <algorithm>

#include "common/text.h"
#include "converter/settings/load_settings.h"
#include "converter/ui/string_table.h"
#include "platform/files.h"

namespace vellora {

namespace {

const std::string kSep = platform::kPathSeparator;

const std::array<const char*, kBuiltInPresetCount> kKeywords = {
    {"default", "screen", "printer", "prepress"}};
const std::array<int, kBuiltInPresetCount> kBuiltInTextIds = {
    {kStrPresetStandard, kStrPresetWeb, kStrPresetPrinting, kStrPresetPrepress}};

std::string lowered(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// A file's shown name: up to its first ".", at most `limit` characters.
std::string shownName(const std::string& fileName, std::size_t limit) {
  std::string shown = fileName.substr(0, fileName.find('.'));
  if (shown.size() > limit) shown.resize(limit);
  return shown;
}

// The files of a folder matching a pattern, in name order (letter case
// ignored). The order the system lists a folder in is its own; sorting keeps
// the lists the same from one job to the next.
std::vector<std::string> filesInOrder(const std::string& folder, const char* pattern) {
  std::vector<std::string> names;
  if (!platform::listDirectory(folder, pattern, &names)) return {};
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string la = lowered(a), lb = lowered(b);
    return la != lb ? la < lb : a < b;
  });
  names.erase(std::remove_if(names.begin(), names.end(),
                             [&](const std::string& name) {
                               return platform::isDirectory(folder + kSep + name);
                             }),
              names.end());
  return names;
}

std::vector<ScannedFile> scanFolder(const std::string& folder, const char* pattern,
                                    std::size_t nameLimit) {
  std::vector<ScannedFile> files;
  for (const std::string& name : filesInOrder(folder, pattern)) {
    if (files.size() == kScanNameLimit) break;
    files.push_back({shownName(name, nameLimit), name});
  }
  return files;
}

const ScannedFile* chosenPresetFile(const PresetList& presets, int index,
                                    const SettingsRecord& settings) {
  std::string quality = fieldText(settings.PDFQuality);
  if (quality.empty()) quality = stringTableText(kStrPresetStandard);
  const bool indexListed = index >= 0 && index < presets.count();
  if (indexListed && presets.files[static_cast<std::size_t>(index)].shown == quality)
    return &presets.files[static_cast<std::size_t>(index)];
  for (const ScannedFile& file : presets.files)
    if (file.shown == quality) return &file;
  return &presets.files[indexListed ? static_cast<std::size_t>(index) : 0];
}

}  // namespace

const std::array<const char*, kBuiltInPresetCount>& builtInPresetKeywords() { return kKeywords; }

std::vector<std::string> builtInPresetTexts() {
  std::vector<std::string> texts;
  for (int id : kBuiltInTextIds) texts.push_back(stringTableText(id));
  return texts;
}

PresetList PresetScan(const std::string& installDir) {
  PresetList presets;
  presets.files = scanFolder(installDir + kSep + kPresetFolder, kPresetPattern, kPresetNameLimit);
  return presets;
}

std::vector<std::string> presetListTexts(const PresetList& presets) {
  if (presets.count() == 0) return builtInPresetTexts();
  std::vector<std::string> texts;
  for (const ScannedFile& file : presets.files) texts.push_back(file.shown);
  return texts;
}

std::vector<ScannedFile> StationeryScan(const std::string& stationeryPath,
                                        const std::string& installDir) {
  const std::string folder =
      stationeryPath.empty() ? defaultStationeryPath(installDir) : stationeryPath;
  return scanFolder(folder, kStationeryPattern, kStationeryNameLimit);
}

std::string stationeryFileFor(const std::string& folder, const std::string& name) {
  const std::string exact = name + ".pdf";
  if (platform::fileExists(folder + kSep + exact)) return exact;
  for (const std::string& file : filesInOrder(folder, kStationeryPattern))
    if (shownName(file, kStationeryNameLimit) == name) return file;
  return std::string();
}

void ChoosePresetArgument(JobRecord& job, const PresetList& presets, int index,
                          const SettingsRecord& settings) {
  if (presets.count() > 0) {
    const ScannedFile* file = chosenPresetFile(presets, index, settings);
    job.pdfSettingsName = platform::shortPath(job.installDir.str() + kSep + kPresetFolder + kSep +
                                              file->fileName);
    job.presetFilesInUse = 1;
    return;
  }
  if (index < 0 || index >= static_cast<int>(kBuiltInPresetCount)) {
    // The list was still loading (or the index is stale): the entry the
    // settings name is the one the list would have shown selected.
    index = 0;
    const std::string quality = fieldText(settings.PDFQuality);
    const std::vector<std::string> texts = builtInPresetTexts();
    for (std::size_t i = 0; !quality.empty() && i < texts.size(); ++i)
      if (startsWithIgnoreCase(texts[i], quality)) {
        index = static_cast<int>(i);
        break;
      }
  }
  job.pdfSettingsName = kKeywords[static_cast<std::size_t>(index)];
  job.presetFilesInUse = 0;
}

}  // namespace vellora
