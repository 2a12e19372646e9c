// The Win32 user interface: message boxes, dialogs from templates built in
// memory, the common Save As dialog with the program's custom area, the
// clipboard and the cursor; and the check whether there is a desktop.
#include <cstring>

#include "platform/desktop.h"
#include "platform/ui_text.h"
#include "platform/win32/dialog_template-win32.h"
#include "platform/win32/ui-win32.h"

#include <commctrl.h>

namespace platform {

namespace {

// A longer name than the caller can take is refused in the dialog, so the
// dialog's own buffer is larger than any name it will hand back.
constexpr std::size_t kNameBuffer = 32768;

}  // namespace

Win32Ui::Win32Ui() {
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&classes);
}

std::string Win32Ui::description() const { return "win32: the Windows desktop"; }

int Win32Ui::messageBox(const std::string& text, const std::string& caption, unsigned flags,
                        const Dialog* owner) {
  HWND window = nullptr;
  if (auto* dialog = dynamic_cast<const Win32Dialog*>(owner)) window = dialog->window() ? GetAncestor(dialog->window(), GA_ROOT) : nullptr;
  int answer = MessageBoxA(window, text.c_str(), caption.c_str(), flags);
  // A box that could not be shown takes the answer nobody could regret.
  return answer > 0 ? answer : safeMessageBoxButton(flags);
}

int Win32Ui::runModal(const DialogTemplate& source, DialogHandler& handler) {
  Win32Dialog dialog(source, Win32Dialog::Kind::kModal, &handler);
  std::vector<DWORD> image = buildDialogTemplate(source, Win32TemplateUse::kTopLevel);
  INT_PTR result = DialogBoxIndirectParamA(programInstance(), reinterpret_cast<LPCDLGTEMPLATEA>(image.data()),
                                           nullptr, Win32Dialog::procedure, reinterpret_cast<LPARAM>(&dialog));
  return result == -1 ? kDialogUnavailable : static_cast<int>(result);
}

std::unique_ptr<Dialog> Win32Ui::openModeless(const DialogTemplate& source, DialogHandler* handler) {
  std::unique_ptr<Win32Dialog> dialog(new Win32Dialog(source, Win32Dialog::Kind::kModeless, handler));
  std::vector<DWORD> image = buildDialogTemplate(source, Win32TemplateUse::kTopLevel);
  HWND made = CreateDialogIndirectParamA(programInstance(), reinterpret_cast<LPCDLGTEMPLATEA>(image.data()),
                                         nullptr, Win32Dialog::procedure, reinterpret_cast<LPARAM>(dialog.get()));
  if (!made) return nullptr;
  return std::unique_ptr<Dialog>(dialog.release());
}

SaveAsResult Win32Ui::runSaveAs(const SaveAsRequest& request, const DialogTemplate& customArea,
                                DialogHandler& hook) {
  SaveAsResult result;
  Win32Dialog area(customArea, Win32Dialog::Kind::kSaveAsArea, &hook);
  area.nameCapacity = request.nameCapacity;

  // The custom area's template, in memory the dialog takes by handle.
  std::vector<DWORD> image = buildDialogTemplate(customArea, Win32TemplateUse::kSaveAsArea);
  HGLOBAL memory = GlobalAlloc(GMEM_FIXED, image.size() * sizeof(DWORD));
  if (!memory) {
    result.status = SaveAsStatus::kUnavailable;
    return result;
  }
  std::memcpy(memory, image.data(), image.size() * sizeof(DWORD));

  // "Description\0pattern\0...\0\0"
  std::string filter;
  for (const FileFilter& type : request.filters) {
    filter += type.description;
    filter += '\0';
    filter += type.pattern;
    filter += '\0';
  }
  filter += '\0';
  std::vector<char> name(kNameBuffer, '\0');
  std::strncpy(name.data(), request.initialName.c_str(), name.size() - 1);

  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hInstance = static_cast<HINSTANCE>(memory);
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = static_cast<DWORD>(request.filterIndex);
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = static_cast<DWORD>(name.size());
  dialog.lpstrInitialDir = request.initialFolder.empty() ? nullptr : request.initialFolder.c_str();
  dialog.lpstrTitle = request.title.c_str();
  dialog.lpstrDefExt = request.defaultExtension.empty() ? nullptr : request.defaultExtension.c_str();
  // No overwrite prompt: the hook asks its own questions about a file that
  // is there.
  dialog.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLETEMPLATEHANDLE | OFN_HIDEREADONLY |
                 OFN_PATHMUSTEXIST | OFN_NOTESTFILECREATE;
  dialog.lpfnHook = Win32Dialog::saveAsHook;
  dialog.lCustData = reinterpret_cast<LPARAM>(&area);
  area.setSaveAs(&dialog);

  BOOL accepted = GetSaveFileNameA(&dialog);
  DWORD failure = accepted ? 0 : CommDlgExtendedError();
  GlobalFree(memory);
  result.filterIndex = static_cast<int>(dialog.nFilterIndex);
  if (accepted && area.accepted) {
    result.status = SaveAsStatus::kAccepted;
    result.path = area.acceptedPath;
  } else {
    // Cancelled, or (an error code) the dialog could not be shown at all.
    result.status = failure == 0 ? SaveAsStatus::kCancelled : SaveAsStatus::kUnavailable;
  }
  return result;
}

void Win32Ui::setCursor(Cursor cursor) {
  SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(cursor == Cursor::kWait ? IDC_WAIT : IDC_ARROW)));
}

bool Win32Ui::copyToClipboard(const std::string& text) {
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  bool placed = false;
  HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  if (copy) {
    if (void* bytes = GlobalLock(copy)) {
      std::memcpy(bytes, text.c_str(), text.size() + 1);
      GlobalUnlock(copy);
      placed = SetClipboardData(CF_TEXT, copy) != nullptr;
    }
    // The clipboard owns the memory once it took it.
    if (!placed) GlobalFree(copy);
  }
  CloseClipboard();
  return placed;
}

namespace {

struct Forward {
  const std::string* windowClass;
  int raised;
};

BOOL CALLBACK forwardIfOfClass(HWND window, LPARAM data) {
  auto* forward = reinterpret_cast<Forward*>(data);
  char name[256] = "";
  if (IsWindowVisible(window) && GetClassNameA(window, name, sizeof name) > 0 &&
      lstrcmpiA(name, forward->windowClass->c_str()) == 0) {
    SetForegroundWindow(window);
    ++forward->raised;
  }
  return TRUE;
}

}  // namespace

int Win32Ui::bringWindowsForward(const std::string& windowClass) {
  Forward forward = {&windowClass, 0};
  EnumWindows(forwardIfOfClass, reinterpret_cast<LPARAM>(&forward));
  return forward.raised;
}

UserInterface* openDesktopUi(DesktopHost&, std::string* why) {
  static Win32Ui* opened = nullptr;
  if (opened) return opened;
  // A process without a desktop (a service, or Wine without a display)
  // cannot make windows at all.
  HWND probe = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               programInstance(), nullptr);
  if (!probe) {
    *why = "no desktop: windows cannot be made here (error " + std::to_string(GetLastError()) + ")";
    return nullptr;
  }
  DestroyWindow(probe);
  opened = new Win32Ui;
  return opened;
}

}  // namespace platform
