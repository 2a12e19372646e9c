#include "converter/ui/background_scans.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "converter/ui/dialog_ids.h"
#include "converter/ui/option_pages.h"
#include "converter/ui/string_table.h"
#include "platform/files.h"
#include "platform/process.h"

namespace vellora {

namespace {

// The preset list is filled this long after the dialog starts.
constexpr int kPresetDelayMilliseconds = 300;
constexpr std::size_t kNameLimit = 20;
constexpr std::size_t kStationeryNameLimit = 250;

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

std::vector<std::string> listStationery(const std::string& folder) {
  std::vector<std::string> files, names;
  platform::listDirectory(folder, "*.pdf", &files);
  for (const std::string& file : files) {
    if (names.size() >= kNameLimit) break;
    names.push_back(file.substr(0, std::min(file.find('.'), kStationeryNameLimit)));
  }
  return names;
}

std::vector<std::string> presetTexts() {
  return {stringTableText(kStrPresetStandard), stringTableText(kStrPresetWeb),
          stringTableText(kStrPresetPrinting), stringTableText(kStrPresetPrepress)};
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
  std::string folder = stationeryPath.empty()
                           ? installDir + platform::kPathSeparator + "Stationery"
                           : stationeryPath;
  inBackground([folder]() {
    std::vector<std::string> names = listStationery(folder);
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
  std::vector<std::string> shown = presetTexts();
  inBackground([poster, presets, dialogState, shown]() mutable {
    {
      std::lock_guard<std::mutex> guard(presets->lock);
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

void choosePreset(SaveDialogState&, int) {}

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
