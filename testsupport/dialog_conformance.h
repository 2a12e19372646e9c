// The cases every dialog backend must pass alike: what a program sees when
// it fills in, reads, moves and ends the windows built from its templates.
// What only one backend does (a script acted out, GTK's font metrics, the
// common Save As dialog of Windows) is tested beside that backend.
//
// A test binary includes this header once and instantiates the cases for
// each backend it has:
//
//   struct MyBackend {
//     // The user interface under test, or nullptr with the reason when it
//     // cannot be had here (the case is then skipped). Called once per case
//     // on a fresh object, which stops whatever it started when it goes.
//     platform::UserInterface* open(std::string* why);
//     // Presses Cancel in the Save As dialog around the custom area `area`,
//     // as a user would, once the dialog runs.
//     void cancelSaveAs(platform::Dialog& area);
//   };
//   INSTANTIATE_TYPED_TEST_SUITE_P(MyUi, DialogConformance, MyBackend);
#pragma once

#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/ui.h"

namespace testsupport {
namespace conformance {

using platform::ControlKind;

constexpr int kEdit = 10, kLabel = 11, kButton = 12, kBox = 20, kLocked = 21, kHidden = 22;
constexpr int kRadio1 = 30, kRadio2 = 31, kRadio3 = 32, kList = 40, kSorted = 41, kTabs = 50;
constexpr int kPageEdit = 60;
constexpr int kMissing = 99;

inline const platform::ControlTemplate kControls[] = {
    {kLabel, ControlKind::kStatic, "&Name:", platform::kStyleNone, {7, 7, 60, 8}, 0},
    {kEdit, ControlKind::kEdit, "first", platform::kStyleNone, {7, 20, 100, 12}, 0},
    {kButton, ControlKind::kPushButton, "&Go", platform::kStyleNone, {113, 20, 50, 14}, 0},
    {kBox, ControlKind::kCheckBox, "Box", platform::kStyleNone, {7, 40, 50, 10}, 0},
    {kLocked, ControlKind::kCheckBox, "Locked", platform::kStyleDisabled, {7, 52, 50, 10}, 0},
    {kHidden, ControlKind::kCheckBox, "Hidden", platform::kStyleHidden, {7, 64, 50, 10}, 0},
    {kRadio1, ControlKind::kRadioButton, "One", platform::kStyleGroup, {60, 40, 50, 10}, 0},
    {kRadio2, ControlKind::kRadioButton, "Two", platform::kStyleNone, {60, 52, 50, 10}, 0},
    {kRadio3, ControlKind::kRadioButton, "Three", platform::kStyleNone, {60, 64, 50, 10}, 0},
    {kList, ControlKind::kDropDownList, "", platform::kStyleGroup, {113, 40, 60, 40}, 0},
    {kSorted, ControlKind::kDropDownList, "", platform::kStyleSorted, {113, 55, 60, 40}, 0},
    {kTabs, ControlKind::kTabControl, "", platform::kStyleNone, {7, 80, 170, 60}, 0},
};
inline const platform::DialogTemplate kDialog = {
    930, "conformance", "Conformance", platform::kDialogCaption | platform::kDialogCentred, 180, 145,
    kControls, std::size(kControls)};

inline const platform::ControlTemplate kPageControls[] = {
    {kPageEdit, ControlKind::kEdit, "", platform::kStyleNone, {6, 6, 100, 12}, 0},
};
inline const platform::DialogTemplate kPage = {931, "conformancepage", "", platform::kDialogChild, 160,
                                               40, kPageControls, std::size(kPageControls)};

// A Save As dialog's custom area, with a page as the Save PDF dialog has.
inline const platform::ControlTemplate kAreaControls[] = {
    {kTabs, ControlKind::kTabControl, "", platform::kStyleNone, {4, 4, 170, 60}, 0},
};
inline const platform::DialogTemplate kArea = {932, "conformancearea", "", platform::kDialogChild, 180,
                                               70, kAreaControls, std::size(kAreaControls)};

// Counts what reaches the program's handler.
class Events : public platform::DialogHandler {
 public:
  void clicked(platform::Dialog&, int id) override { seen.push_back("click " + std::to_string(id)); }
  void selectionChanged(platform::Dialog&, int id) override {
    seen.push_back("select " + std::to_string(id));
  }
  void tabChanged(platform::Dialog&, int id) override { seen.push_back("tab " + std::to_string(id)); }
  std::vector<std::string> seen;
};

}  // namespace conformance

template <typename Backend>
class DialogConformance : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    ui = backend.open(&why);
    if (!ui) GTEST_SKIP() << why;
  }
  // A modeless window of the conformance template.
  std::unique_ptr<platform::Dialog> open(platform::DialogHandler* handler = nullptr) {
    return ui->openModeless(conformance::kDialog, handler);
  }

  Backend backend;
  platform::UserInterface* ui = nullptr;
};

TYPED_TEST_SUITE_P(DialogConformance);

TYPED_TEST_P(DialogConformance, ControlsStartAsTheirTemplateSays) {
  using namespace conformance;
  std::unique_ptr<platform::Dialog> d = this->open();
  ASSERT_TRUE(d);
  EXPECT_EQ(&d->dialogTemplate(), &kDialog);
  EXPECT_TRUE(d->hasControl(kEdit));
  EXPECT_EQ(d->text(kEdit), "first");
  EXPECT_EQ(d->text(kLabel), "&Name:") << "a caption reads back with its access-key mark";
  EXPECT_EQ(d->text(kButton), "&Go");
  EXPECT_FALSE(d->isChecked(kBox));
  EXPECT_TRUE(d->isEnabled(kBox));
  EXPECT_FALSE(d->isEnabled(kLocked));
  EXPECT_TRUE(d->isVisible(kBox));
  EXPECT_FALSE(d->isVisible(kHidden));
  EXPECT_EQ(d->listCount(kList), 0);
  EXPECT_EQ(d->selection(kList), -1);
  EXPECT_EQ(d->text(kList), "");
}

TYPED_TEST_P(DialogConformance, AnIdTheDialogLacksReadsAsEmptyAndIgnoresChanges) {
  using namespace conformance;
  std::unique_ptr<platform::Dialog> d = this->open();
  ASSERT_TRUE(d);
  // A control that was there and is destroyed reads as one never there.
  d->destroyControl(kBox);
  for (int id : {kMissing, kBox}) {
    SCOPED_TRACE(id);
    d->setChecked(id, true);
    d->setText(id, "text");
    d->enable(id, true);
    d->show(id, true);
    d->moveControl(id, {1, 2, 3, 4});
    EXPECT_FALSE(d->hasControl(id));
    EXPECT_FALSE(d->isChecked(id));
    EXPECT_EQ(d->text(id), "");
    EXPECT_EQ(d->addListEntry(id, "entry"), -1);
    EXPECT_EQ(d->listCount(id), 0);
    EXPECT_EQ(d->listEntry(id, 0), "");
    EXPECT_EQ(d->selection(id), -1);
    EXPECT_FALSE(d->isEnabled(id));
    EXPECT_FALSE(d->isVisible(id));
    EXPECT_EQ(d->controlRect(id).width, 0);
    EXPECT_EQ(d->screenRect(id).width, 0);
  }
  EXPECT_TRUE(d->hasControl(kRadio1)) << "only that control went";
}

TYPED_TEST_P(DialogConformance, TextsStatesAndRadioGroupsKeepWhatTheProgramSets) {
  using namespace conformance;
  std::unique_ptr<platform::Dialog> d = this->open();
  ASSERT_TRUE(d);
  d->setText(kEdit, "Grüße, 100 %");
  EXPECT_EQ(d->text(kEdit), "Grüße, 100 %");
  d->setText(kLabel, "&Title && more:");
  EXPECT_EQ(d->text(kLabel), "&Title && more:");
  d->setText(kList, "not a list's text");
  EXPECT_EQ(d->text(kList), "") << "a list's text is its selected entry's";
  d->setChecked(kBox, true);
  EXPECT_TRUE(d->isChecked(kBox));
  d->enable(kLocked, true);
  d->show(kHidden, true);
  d->enable(kBox, false);
  d->show(kBox, false);
  EXPECT_TRUE(d->isEnabled(kLocked));
  EXPECT_TRUE(d->isVisible(kHidden));
  EXPECT_FALSE(d->isEnabled(kBox));
  EXPECT_FALSE(d->isVisible(kBox));
  // A radio group may have none checked, as Windows allows.
  EXPECT_FALSE(d->isChecked(kRadio1) || d->isChecked(kRadio2) || d->isChecked(kRadio3));
  d->setChecked(kRadio1, false);
  d->setChecked(kRadio2, true);
  d->setChecked(kRadio3, false);
  EXPECT_FALSE(d->isChecked(kRadio1));
  EXPECT_TRUE(d->isChecked(kRadio2));
  EXPECT_FALSE(d->isChecked(kRadio3));
  d->setChecked(kRadio2, false);
  EXPECT_FALSE(d->isChecked(kRadio1) || d->isChecked(kRadio2) || d->isChecked(kRadio3));
}

TYPED_TEST_P(DialogConformance, ListsKeepTheirOrderOrSortAndSelectOneOrNone) {
  using namespace conformance;
  std::unique_ptr<platform::Dialog> d = this->open();
  ASSERT_TRUE(d);
  for (const char* entry : {"pear", "Apple", "fig"}) {
    d->addListEntry(kList, entry);
    d->addListEntry(kSorted, entry);
  }
  EXPECT_EQ(d->listCount(kList), 3);
  EXPECT_EQ(d->listEntry(kList, 0), "pear") << "unsorted without the style";
  EXPECT_EQ(d->listEntry(kList, 2), "fig");
  EXPECT_EQ(d->listEntry(kSorted, 0), "Apple") << "letter case ignored";
  EXPECT_EQ(d->listEntry(kSorted, 1), "fig");
  EXPECT_EQ(d->listEntry(kSorted, 2), "pear");
  EXPECT_EQ(d->addListEntry(kSorted, "banana"), 1) << "the index it was put at";
  EXPECT_EQ(d->listEntry(kSorted, 4), "");
  EXPECT_EQ(d->listEntry(kSorted, -1), "");
  d->select(kSorted, 2);
  EXPECT_EQ(d->selection(kSorted), 2);
  EXPECT_EQ(d->text(kSorted), "fig");
  d->select(kSorted, -1);
  EXPECT_EQ(d->selection(kSorted), -1);
  EXPECT_EQ(d->text(kSorted), "");
  d->select(kSorted, 1);
  d->select(kSorted, 9);
  EXPECT_EQ(d->selection(kSorted), -1) << "an entry not there selects none";
  d->select(kList, 1);
  d->clearList(kList);
  EXPECT_EQ(d->listCount(kList), 0);
  EXPECT_EQ(d->selection(kList), -1);
  // A tab control's entries are its tabs.
  d->addListEntry(kTabs, "First");
  d->addListEntry(kTabs, "Second");
  d->select(kTabs, 1);
  EXPECT_EQ(d->listCount(kTabs), 2);
  EXPECT_EQ(d->text(kTabs), "Second");
}

TYPED_TEST_P(DialogConformance, WhatTheProgramDoesMakesNoEvents) {
  using namespace conformance;
  Events events;
  std::unique_ptr<platform::Dialog> d = this->open(&events);
  ASSERT_TRUE(d);
  d->setChecked(kBox, true);
  d->setChecked(kRadio2, true);
  d->setText(kEdit, "typed by the program");
  d->addListEntry(kList, "Alpha");
  d->addListEntry(kList, "Beta");
  d->select(kList, 1);
  d->addListEntry(kTabs, "First");
  d->addListEntry(kTabs, "Second");
  d->select(kTabs, 1);
  EXPECT_EQ(events.seen, std::vector<std::string>());
}

TYPED_TEST_P(DialogConformance, ControlsSitWhereTheirTemplatePutsThemAndMove) {
  using namespace conformance;
  std::unique_ptr<platform::Dialog> d = this->open();
  ASSERT_TRUE(d);
  platform::PixelRect unit = d->toPixels({0, 0, 4, 8});
  EXPECT_GT(unit.width, 0);
  EXPECT_GT(unit.height, unit.width) << "a character is higher than wide";
  platform::PixelRect designed = d->toPixels(kControls[1].rect);
  platform::PixelRect edit = d->controlRect(kEdit);
  EXPECT_EQ(edit.x, designed.x);
  EXPECT_EQ(edit.y, designed.y);
  EXPECT_EQ(edit.width, designed.width);
  EXPECT_EQ(edit.height, designed.height);
  // On the screen the controls keep their distances.
  platform::PixelRect label = d->controlRect(kLabel);
  EXPECT_EQ(d->screenRect(kEdit).x - d->screenRect(kLabel).x, edit.x - label.x);
  EXPECT_EQ(d->screenRect(kEdit).y - d->screenRect(kLabel).y, edit.y - label.y);
  platform::PixelRect moved = {edit.x + 5, edit.y + 7, edit.width - 10, edit.height};
  d->moveControl(kEdit, moved);
  EXPECT_EQ(d->controlRect(kEdit).x, moved.x);
  EXPECT_EQ(d->controlRect(kEdit).y, moved.y);
  EXPECT_EQ(d->controlRect(kEdit).width, moved.width);
  EXPECT_EQ(d->screenRect(kEdit).x - d->screenRect(kLabel).x, moved.x - label.x);
  platform::ScreenMetrics screen = d->screen();
  EXPECT_GT(screen.width, 0);
  EXPECT_GT(screen.height, 0);
}

TYPED_TEST_P(DialogConformance, APageSitsInItsTabControlAndSharesTheWindow) {
  using namespace conformance;
  std::unique_ptr<platform::Dialog> d = this->open();
  ASSERT_TRUE(d);
  d->addListEntry(kTabs, "Only");
  d->select(kTabs, 0);
  std::unique_ptr<platform::Dialog> page = d->createPage(kTabs, kPage, nullptr);
  ASSERT_TRUE(page);
  EXPECT_TRUE(page->hasControl(kPageEdit));
  EXPECT_FALSE(d->hasControl(kPageEdit)) << "the page's controls are the page's";
  page->setText(kPageEdit, "on the page");
  EXPECT_EQ(page->text(kPageEdit), "on the page");
  platform::PixelRect window = d->windowRect();
  platform::PixelRect pageWindow = page->windowRect();
  EXPECT_EQ(pageWindow.x, window.x);
  EXPECT_EQ(pageWindow.y, window.y);
  EXPECT_EQ(pageWindow.width, window.width);
  platform::PixelRect tabs = d->screenRect(kTabs);
  platform::PixelRect field = page->screenRect(kPageEdit);
  EXPECT_GE(field.x, tabs.x);
  EXPECT_GT(field.y, tabs.y) << "below the row of tabs";
  EXPECT_LE(field.right(), tabs.right());
  page.reset();
  EXPECT_TRUE(d->hasControl(kTabs)) << "the dialog outlives its page";
}

TYPED_TEST_P(DialogConformance, ADialogThatIsNoSaveAsHasNoSaveAsFields) {
  using namespace conformance;
  std::unique_ptr<platform::Dialog> d = this->open();
  ASSERT_TRUE(d);
  d->setFileName("report.pdf", true);
  d->setFilterIndex(2);
  EXPECT_EQ(d->fileName(), "");
  EXPECT_EQ(d->folder(), "");
  EXPECT_EQ(d->filterIndex(), 1);
}

TYPED_TEST_P(DialogConformance, AModalDialogEndsWithItsHandlersResult) {
  using namespace conformance;
  class Handler : public platform::DialogHandler {
   public:
    void initialised(platform::Dialog& d) override {
      d.addListEntry(kList, "Beta");
      d.addListEntry(kList, "Alpha");
      d.select(kList, 1);
      // As a user would, once the dialog runs.
      d.poster()->post([](platform::Dialog& shown) {
        shown.setChecked(kBox, true);
        shown.end(7);
      });
    }
    void closing(platform::Dialog& d) override {
      ++closings;
      checked = d.isChecked(kBox);
      chosen = d.text(kList);
      kept = d.poster();
    }
    int closings = 0;
    bool checked = false;
    std::string chosen;
    std::shared_ptr<platform::DialogPoster> kept;
  } handler;
  EXPECT_EQ(this->ui->runModal(kDialog, handler), 7);
  EXPECT_EQ(handler.closings, 1);
  EXPECT_TRUE(handler.checked);
  EXPECT_EQ(handler.chosen, "Alpha");
  // A poster kept past the dialog's end refuses.
  ASSERT_TRUE(handler.kept);
  EXPECT_FALSE(handler.kept->post([](platform::Dialog&) { ADD_FAILURE() << "ran after the end"; }));
}

TYPED_TEST_P(DialogConformance, WorkPostedToAWindowThatIsGoneIsDropped) {
  std::unique_ptr<platform::Dialog> d = this->open();
  ASSERT_TRUE(d);
  std::shared_ptr<platform::DialogPoster> poster = d->poster();
  bool ran = false;
  EXPECT_TRUE(poster->post([&ran](platform::Dialog&) { ran = true; }));
  d.reset();
  EXPECT_FALSE(poster->post([&ran](platform::Dialog&) { ran = true; }));
  EXPECT_FALSE(ran);
}

TYPED_TEST_P(DialogConformance, TheSaveAsFieldsAreReachedFromItsCustomArea) {
  using namespace conformance;
  class Hook : public platform::DialogHandler {
   public:
    explicit Hook(TypeParam& backend) : backend_(backend) {}
    void initialised(platform::Dialog& d) override {
      d.poster()->post([this](platform::Dialog& area) {
        named = area.fileName();
        type = area.filterIndex();
        area.setFilterIndex(1);
        area.setFilterIndex(3);  // there are two types
        typeSet = area.filterIndex();
        area.setFileName("second.pdf", false);
        renamed = area.fileName();
        area.addListEntry(kTabs, "Only");
        area.select(kTabs, 0);
        std::unique_ptr<platform::Dialog> page = area.createPage(kTabs, kPage, nullptr);
        if (page) fromPage = page->fileName() + " " + std::to_string(page->filterIndex());
        backend_.cancelSaveAs(area);
      });
    }
    bool nameAccepted(platform::Dialog&, const std::string& path) override {
      ADD_FAILURE() << "asked to save " << path;
      return true;
    }
    void closing(platform::Dialog&) override { ++closings; }
    std::string named, renamed, fromPage;
    int type = 0, typeSet = 0, closings = 0;

   private:
    TypeParam& backend_;
  } hook(this->backend);
  platform::SaveAsRequest request;
  request.title = "Save it";
  request.initialName = "first.pdf";
  request.filters = {{"PDF Documents (*.pdf)", "*.pdf"}, {"PostScript Files (*.ps)", "*.ps"}};
  request.filterIndex = 2;
  request.defaultExtension = "pdf";
  platform::SaveAsResult result = this->ui->runSaveAs(request, kArea, hook);
  EXPECT_EQ(result.status, platform::SaveAsStatus::kCancelled);
  EXPECT_EQ(hook.named, "first.pdf");
  EXPECT_EQ(hook.type, 2);
  EXPECT_EQ(hook.typeSet, 1) << "a type the dialog does not have is not taken";
  EXPECT_EQ(hook.renamed, "second.pdf");
  EXPECT_EQ(hook.fromPage, "second.pdf 1") << "a page in the custom area reaches them too";
  EXPECT_EQ(hook.closings, 1) << "cancelled, the hook still closes";
}

REGISTER_TYPED_TEST_SUITE_P(DialogConformance, ControlsStartAsTheirTemplateSays,
                            AnIdTheDialogLacksReadsAsEmptyAndIgnoresChanges,
                            TextsStatesAndRadioGroupsKeepWhatTheProgramSets,
                            ListsKeepTheirOrderOrSortAndSelectOneOrNone,
                            WhatTheProgramDoesMakesNoEvents,
                            ControlsSitWhereTheirTemplatePutsThemAndMove,
                            APageSitsInItsTabControlAndSharesTheWindow,
                            ADialogThatIsNoSaveAsHasNoSaveAsFields,
                            AModalDialogEndsWithItsHandlersResult,
                            WorkPostedToAWindowThatIsGoneIsDropped,
                            TheSaveAsFieldsAreReachedFromItsCustomArea);

}  // namespace testsupport
