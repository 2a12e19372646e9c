// Quality presets and stationery files: the two name lists gathered by
// background scans while the Save PDF dialog starts, and the argument that
// hands the chosen preset to the interpreter.
//
// A preset is a ".joboptions" file in the product folder's "QOptions"
// folder, shown by its name up to the first "."; with no such file the four
// built-in presets stand in, passed to Ghostscript as PDFSETTINGS keywords.
// Stationery files are the "*.pdf" files of the stationery folder, shown the
// same way.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "converter/job/job_record.h"
#include "converter/settings/settings_record.h"

namespace vellora {

// Both lists keep at most 20 names; further files are ignored.
constexpr std::size_t kScanNameLimit = 20;
// A stationery name holds at most 250 characters, a preset name 243.
constexpr std::size_t kStationeryNameLimit = 250;
constexpr std::size_t kPresetNameLimit = 243;

constexpr const char kPresetFolder[] = "QOptions";
constexpr const char kPresetPattern[] = "*.joboptions";
constexpr const char kStationeryFolder[] = "Stationery";
constexpr const char kStationeryPattern[] = "*.pdf";

// One listed file: the name shown and the file it came from. "Press.old.
// joboptions" shows as "Press"; the file name is what the interpreter gets.
struct ScannedFile {
  std::string shown;
  std::string fileName;  // within the scanned folder
};

// The preset files found; none means the built-in presets are in use.
struct PresetList {
  std::vector<ScannedFile> files;
  int count() const { return static_cast<int>(files.size()); }
};

// The built-in presets: shown texts (strings 6, 100, 101, 102) and the
// keywords Ghostscript takes.
constexpr std::size_t kBuiltInPresetCount = 4;
const std::array<const char*, kBuiltInPresetCount>& builtInPresetKeywords();
std::vector<std::string> builtInPresetTexts();

// Lists "<installDir>/QOptions/*.joboptions" in name order (letter case
// ignored). A missing folder gives an empty list.
PresetList PresetScan(const std::string& installDir);

// What the quality list shows: the preset files' names in scan order, or the
// four built-in texts.
std::vector<std::string> presetListTexts(const PresetList& presets);

// Lists the stationery files of `stationeryPath`, or of the product folder's
// "Stationery" folder when that is empty, in name order.
std::vector<ScannedFile> StationeryScan(const std::string& stationeryPath,
                                        const std::string& installDir);

// The file a stationery name stands for in its folder: "<name>.pdf" when
// there is one, else the first file (in name order) shown by that name,
// such as "<name>.old.pdf". Empty when none.
std::string stationeryFileFor(const std::string& folder, const std::string& name);

// Sets the interpreter's preset argument for the quality list's index:
// with preset files, the full path of the chosen file (and preset files are
// in use); else the keyword of the built-in entry. The chosen file is the one
// listed at the index when the list shows PDFQuality there, else the first
// listed under PDFQuality's name ("Standard" when empty), else the one at
// the index (0 when outside). A built-in index outside 0..3 (-1: the list
// was still loading) takes the entry PDFQuality begins, else entry 0.
void ChoosePresetArgument(JobRecord& job, const PresetList& presets, int index,
                          const SettingsRecord& settings);

}  // namespace vellora
