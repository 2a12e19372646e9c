// The cases every dialog backend passes alike, on real Win32 dialogs
// (Windows, or Wine with a display). Where no windows can be made the cases
// are skipped.
#include <string>

#include "platform/desktop.h"
#include "platform/ui.h"
#include "platform/win32/ui-win32.h"
#include "testsupport/dialog_conformance.h"

// Named at the top level: the name shows in the tests' names.
struct Win32Desktop {
  platform::UserInterface* open(std::string* why) {
    return platform::openDesktopUi(platform::plainDesktopHost(), why);
  }
  void cancelSaveAs(platform::Dialog& area) {
    HWND saveAs = GetParent(dynamic_cast<platform::Win32Dialog&>(area).window());
    PostMessageA(saveAs, WM_COMMAND, IDCANCEL, 0);
  }
};

namespace testsupport {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32Ui, DialogConformance, Win32Desktop);
}  // namespace testsupport
