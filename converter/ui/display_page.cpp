// The Display page: stationery, rotation and the viewer preferences.
#include "converter/postscript/view_choices.h"
#include "converter/ui/background_scans.h"
#include "converter/ui/dialog_ids.h"
#include "converter/ui/option_pages.h"
#include "converter/ui/page_parts.h"
#include "converter/ui/string_table.h"

namespace vellora {

namespace {

constexpr const char kNoStationery[] = "None";

struct ChoiceList {
  int label;
  int list;
  const char* setting;
};

const ChoiceList kChoiceLists[] = {
    {kAutoRotateLabel, kAutoRotateList, "AutoRotate"},
    {kZoomLabel, kZoomList, "ViewZoom"},
    {kLayoutLabel, kLayoutList, "ViewLayout"},
    {kMenuLabel, kMenuList, "ViewMenus"},
};

struct Box {
  int id;
  const char* setting;
};

const Box kBoxes[] = {
    {kWatermarkBox, "StationeryWatermark"}, {kFullScreenBox, "ViewFullScreen"},
    {kHideMenuBarBox, "ViewMenuBar"},       {kHideToolBarBox, "ViewToolBar"},
    {kShowTitleBox, "ViewPDFTitle"},
};

std::int32_t& boxField(SettingsRecord& s, int id) {
  switch (id) {
    case kWatermarkBox: return s.StationeryWatermark;
    case kFullScreenBox: return s.ViewFullScreen;
    case kHideMenuBarBox: return s.ViewMenuBar;
    case kHideToolBarBox: return s.ViewToolBar;
    default: return s.ViewPDFTitle;
  }
}

std::int32_t& listField(SettingsRecord& s, int id) {
  switch (id) {
    case kAutoRotateList: return s.AutoRotate;
    case kZoomList: return s.ViewZoom;
    case kLayoutList: return s.ViewLayout;
    default: return s.ViewMenus;
  }
}

template <typename Choice, std::size_t N>
void fill(platform::DialogControls& page, int list, const Choice (&choices)[N]) {
  page.clearList(list);
  for (const Choice& choice : choices) page.addListEntry(list, choice.shownAs);
}

}  // namespace

void createDisplayPage(SaveDialogState& state, platform::Dialog& page) {
  const SettingsRecord& s = state.settings.record;
  page.clearList(kStationeryList);
  page.addListEntry(kStationeryList, stringTableText(kStrLoading));
  page.select(kStationeryList, 0);
  startStationeryFill(state, page);
  fill(page, kAutoRotateList, kAutoRotateChoices);
  fill(page, kZoomList, kViewZoomChoices);
  fill(page, kLayoutList, kViewLayoutChoices);
  fill(page, kMenuList, kViewMenusChoices);
  page.select(kAutoRotateList, s.AutoRotate);
  page.select(kZoomList, s.ViewZoom);
  page.select(kLayoutList, s.ViewLayout);
  page.select(kMenuList, s.ViewMenus);
  platform::ui().setCursor(platform::Cursor::kArrow);
}

void showDisplayPage(SaveDialogState& state, platform::DialogControls& page) {
  SettingsRecord& s = state.settings.record;
  std::string stationery = fieldText(s.StationeryName);
  if (!stationery.empty()) {
    int at = findEntryStartingWith(page, kStationeryList, stationery);
    if (at >= 0) page.select(kStationeryList, at);
    if (page.text(kStationeryList).empty()) page.select(kStationeryList, 0);
  }
  for (const ChoiceList& choice : kChoiceLists)
    page.select(choice.list, listField(s, choice.list));
  for (const Box& box : kBoxes) page.setChecked(box.id, boxField(s, box.id) != 0);

  lockBySetting(state, page, kStationeryList, "StationeryName");
  lockBySetting(state, page, kStationeryLabel, "StationeryName");
  for (const ChoiceList& choice : kChoiceLists) {
    lockBySetting(state, page, choice.list, choice.setting);
    lockBySetting(state, page, choice.label, choice.setting);
  }
  for (const Box& box : kBoxes) lockBySetting(state, page, box.id, box.setting);

  const int type = state.job.filterIndex;
  if (type != 1) {
    for (int id : {kWatermarkBox, kStationeryList, kStationeryLabel}) page.enable(id, false);
  }
  if (type >= 3) {
    for (const ChoiceList& choice : kChoiceLists) {
      page.enable(choice.list, false);
      page.enable(choice.label, false);
    }
    for (const Box& box : kBoxes) page.enable(box.id, false);
    page.enable(kViewerGroup, false);
  }
}

void readDisplayPage(SaveDialogState& state, platform::DialogControls& page) {
  SettingsRecord& s = state.settings.record;
  // Entry 0 is "None" (or "Loading..." while the list is being filled).
  if (page.selection(kStationeryList) < 1)
    setFieldText(s.StationeryName, kNoStationery);
  else
    setFieldText(s.StationeryName, page.text(kStationeryList));
  for (const ChoiceList& choice : kChoiceLists) {
    int index = page.selection(choice.list);
    if (index >= 0) listField(s, choice.list) = index;
  }
  for (const Box& box : kBoxes) boxField(s, box.id) = page.isChecked(box.id) ? 1 : 0;
}

void displayPageClicked(SaveDialogState&, platform::DialogControls& page, int controlId) {
  // A full-screen document shows no navigation pane.
  if (controlId == kFullScreenBox && page.isChecked(kFullScreenBox)) page.select(kMenuList, 0);
}


}  // namespace vellora
