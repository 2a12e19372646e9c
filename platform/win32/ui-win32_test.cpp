// The Win32 user interface on a real desktop (Windows, or Wine with a
// display): the common Save As dialog asking the hook, a refused name
// keeping it open. What every backend does alike is checked in
// dialog_conformance-win32_test.cpp. Where no windows can be made the tests
// are skipped.
#include "platform/win32/ui-win32.h"

#include <iterator>

#include <gtest/gtest.h>

#include "platform/desktop.h"

namespace {

using platform::ControlKind;
using platform::ControlTemplate;
using platform::Dialog;
using platform::DialogTemplate;

const ControlTemplate kControls[] = {
    {10, ControlKind::kCheckBox, "&Box", platform::kStyleNone, {4, 4, 80, 10}, 0},
    {11, ControlKind::kDropDownList, "", platform::kStyleNone, {4, 18, 80, 40}, 0},
};
const DialogTemplate kArea = {911, "area", "", platform::kDialogChild, 200, 40, kControls,
                              std::size(kControls)};

platform::UserInterface* desktop() {
  std::string why;
  return platform::openDesktopUi(platform::plainDesktopHost(), &why);
}

// The Save As dialog's own window, around the custom area.
HWND saveAsWindow(Dialog& area) {
  return GetParent(dynamic_cast<platform::Win32Dialog&>(area).window());
}

TEST(Win32Ui, TheSaveAsDialogAsksTheHookAndARefusedNameKeepsItOpen) {
  platform::UserInterface* ui = desktop();
  if (!ui) GTEST_SKIP() << "no desktop";
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  class Hook : public platform::DialogHandler {
   public:
    void initialised(Dialog& d) override {
      screen = d.screenRect(platform::kCustomArea);
      placed = d.screenRect(10);
      designed = d.toPixels(kControls[0].rect);
      save(d, "first.pdf");
    }
    bool nameAccepted(Dialog& d, const std::string& path) override {
      offered.push_back(path);
      if (offered.size() > 1) return true;
      save(d, "second");
      return false;
    }
    void closing(Dialog&) override { closed = true; }
    // Types a name and presses Save, once the dialog runs.
    void save(Dialog& d, const std::string& name) {
      d.poster()->post([name](Dialog& shown) {
        shown.setFileName(name, false);
        PostMessageA(saveAsWindow(shown), WM_COMMAND, IDOK, 0);
      });
    }
    std::vector<std::string> offered;
    platform::PixelRect screen, placed, designed;
    bool closed = false;
  } hook;
  platform::SaveAsRequest request;
  request.title = "Save it";
  request.initialFolder = temp;
  request.filters = {{"PDF Documents (*.pdf)", "*.pdf"}};
  request.defaultExtension = "pdf";
  platform::SaveAsResult result = ui->runSaveAs(request, kArea, hook);
  ASSERT_TRUE(result.accepted());
  ASSERT_EQ(hook.offered.size(), 2u);
  EXPECT_EQ(hook.offered[0].substr(hook.offered[0].size() - 10), "\\first.pdf");
  EXPECT_EQ(hook.offered[1].substr(hook.offered[1].size() - 11), "\\second.pdf") << "the type's extension";
  EXPECT_EQ(result.path, hook.offered[1]);
  EXPECT_TRUE(hook.closed);
  // The custom area starts where its template's origin lies, below the
  // dialog's own controls.
  EXPECT_EQ(hook.placed.x - hook.screen.x, hook.designed.x);
  EXPECT_EQ(hook.placed.y - hook.screen.y, hook.designed.y);
}

}  // namespace
