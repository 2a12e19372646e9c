#include "converter/ui/background_scans.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "converter/settings/presets.h"
#include "converter/ui/dialog_ids.h"
#include "converter/ui/option_pages.h"
#include "converter/ui/string_table.h"
#include "platform/files.h"
#include "platform/process.h"

namespace vellora {

namespace {

// The preset list is filled this long after the dialog starts.
constexpr int kPresetDelayMilliseconds = 300;

// The stationery names and the lock that guards them. The scan holds the
// lock from before its thread starts until its names are stored, so a page
// that asks meanwhile waits for them.
struct StationeryShelf {
  std::mutex lock;
  std::condition_variable stored;
  bool scanning = false;
  std::vector<std::string> names;
};

StationeryShelf& shelf() {
  static StationeryShelf instance;
  return instance;
}

// Runs work on a thread of its own; where no thread can be had, at once.
template <typename Work>
void inBackground(Work work) {
  try {
    std::thread(std::move(work)).detach();
  } catch (const std::system_error&) {
    work();
  }
}

}  // namespace

void startStationeryScan(const std::string& stationeryPath, const std::string& installDir) {
  StationeryShelf& s = shelf();
  {
    std::lock_guard<std::mutex> guard(s.lock);
    s.scanning = true;
  }
  inBackground([stationeryPath, installDir]() {
    std::vector<std::string> names;
    for (const ScannedFile& file : StationeryScan(stationeryPath, installDir))
      names.push_back(file.shown);
    StationeryShelf& t = shelf();
    std::lock_guard<std::mutex> guard(t.lock);
    t.names = std::move(names);
    t.scanning = false;
    t.stored.notify_all();
  });
}

std::vector<std::string> stationeryNames() {
  StationeryShelf& s = shelf();
  std::unique_lock<std::mutex> guard(s.lock);
  s.stored.wait(guard, [&] { return !s.scanning; });
  return s.names;
}

void startPresetScan(SaveDialogState& state) {
  std::shared_ptr<platform::DialogPoster> poster = state.dialog->poster();
  std::shared_ptr<SaveDialogState::Presets> presets = state.presets;
  SaveDialogState* dialogState = &state;
  const std::string installDir = state.job.installDir.str();
  // The string table is read here, on the dialog's thread.
  const std::vector<std::string> builtIn = builtInPresetTexts();
  inBackground([poster, presets, dialogState, installDir, builtIn]() mutable {
    PresetList found = PresetScan(installDir);
    std::vector<std::string> shown = builtIn;
    if (found.count() > 0) {
      shown.clear();
      for (const ScannedFile& file : found.files) shown.push_back(file.shown);
    }
    {
      std::lock_guard<std::mutex> guard(presets->lock);
      presets->found = std::move(found);
      presets->shown = shown;
      presets->scanned = true;
    }
    platform::sleepMilliseconds(kPresetDelayMilliseconds);
    // The dialog (and with it the state) lives while posted work can run.
    poster->post([shown, dialogState](platform::Dialog& dialog) {
      dialog.clearList(kQualityList);
      for (const std::string& name : shown) dialog.addListEntry(kQualityList, name);
      dialog.select(kQualityList, 0);
      ShowMainControls(*dialogState);
    });
    poster.reset();
  });
}

void choosePreset(SaveDialogState& state, int index) {
  PresetList found;
  bool scanned = false;
  {
    std::lock_guard<std::mutex> guard(state.presets->lock);
    scanned = state.presets->scanned;
    found = state.presets->found;
  }
  // A name accepted before the scan was done still gets the presets that
  // are there, not the built-in ones.
  if (!scanned) found = PresetScan(state.job.installDir.str());
  ChoosePresetArgument(state.job, found, index, state.settings.record);
}

void startStationeryFill(SaveDialogState& state, platform::Dialog& page) {
  std::shared_ptr<platform::DialogPoster> poster = page.poster();
  SaveDialogState* dialogState = &state;
  inBackground([poster, dialogState]() mutable {
    poster->post([](platform::Dialog&) { platform::ui().setCursor(platform::Cursor::kWait); });
    std::vector<std::string> names = stationeryNames();
    poster->post([names, dialogState](platform::Dialog& shown) {
      shown.clearList(kStationeryList);
      shown.addListEntry(kStationeryList, "None");
      for (const std::string& name : names) shown.addListEntry(kStationeryList, name);
      std::string wanted = fieldText(dialogState->settings.record.StationeryName);
      shown.select(kStationeryList,
                   wanted.empty() ? 0 : findEntryStartingWith(shown, kStationeryList, wanted));
      platform::ui().setCursor(platform::Cursor::kArrow);
    });
    poster.reset();
  });
}

}  // namespace vellora
