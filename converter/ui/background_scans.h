// The converter's short background threads: the stationery scan started by
// the job driver, the preset scan started with the Save PDF dialog, and the
// filler of the Display page's stationery list. They reach a dialog only
// through its poster; the stationery names are shared under one lock.
#pragma once

#include <string>
#include <vector>

#include "converter/ui/save_dialog_state.h"
#include "platform/ui.h"

namespace vellora {

// Lists the stationery files into the shared names while holding the
// stationery lock. Started right after the settings are loaded.
void startStationeryScan(const std::string& stationeryPath, const std::string& installDir);

// A copy of the stationery names, taken under the lock (waits for a scan
// that holds it).
std::vector<std::string> stationeryNames();

// Fills the quality list about 300 ms after the dialog starts, then shows
// the dialog's own controls again.
void startPresetScan(SaveDialogState& state);

// Sets the interpreter's preset argument for the quality list's index, once
// the name is accepted.
void choosePreset(SaveDialogState& state, int index);

// Fills the Display page's stationery list once the scan has its names:
// "None", then the names, with the settings' stationery selected.
void startStationeryFill(SaveDialogState& state, platform::Dialog& page);

}  // namespace vellora
