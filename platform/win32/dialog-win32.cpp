// A dialog of the Win32 user interface: a handle by control id over the
// window the dialog manager made from the template, and the procedure that
// hands what the user does to the program's handler.
#include <algorithm>
#include <cstring>

#include "platform/win32/dialog_template-win32.h"
#include "platform/win32/ui-win32.h"

#include <commctrl.h>
#include <dlgs.h>

namespace platform {

namespace {

ControlKind kindOf(const DialogTemplate& source, int id) {
  const ControlTemplate* c = source.find(id);
  return c ? c->kind : ControlKind::kStatic;
}

std::string windowText(HWND window) {
  int length = GetWindowTextLengthA(window);
  if (length <= 0) return std::string();
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  int got = GetWindowTextA(window, &text[0], length + 1);
  text.resize(static_cast<std::size_t>(std::max(0, got)));
  return text;
}

PixelRect fromRect(const RECT& r) { return {r.left, r.top, r.right - r.left, r.bottom - r.top}; }

class Win32Poster : public DialogPoster {
 public:
  explicit Win32Poster(std::shared_ptr<Win32PostTarget> target) : target_(std::move(target)) {}
  bool post(std::function<void(Dialog&)> fn) override {
    if (!target_->alive) return false;
    {
      std::lock_guard<std::mutex> guard(target_->lock);
      target_->queue.push_back(std::move(fn));
    }
    if (PostMessageA(target_->window, kRunPostedMessage, 0, 0)) return true;
    std::lock_guard<std::mutex> guard(target_->lock);
    if (!target_->queue.empty()) target_->queue.pop_back();
    return false;
  }

 private:
  std::shared_ptr<Win32PostTarget> target_;
};

}  // namespace

HINSTANCE programInstance() { return GetModuleHandleA(nullptr); }

Win32Dialog::Win32Dialog(const DialogTemplate& source, Kind kind, DialogHandler* handler)
    : source_(source), kind_(kind), handler_(handler), target_(std::make_shared<Win32PostTarget>()) {
  target_->dialog = this;
}

Win32Dialog::~Win32Dialog() {
  target_->alive = false;
  target_->dialog = nullptr;
  // A page or a modeless window goes with its handle; a modal dialog and
  // the Save As dialog are gone by the time their handle goes.
  if ((kind_ == Kind::kPage || kind_ == Kind::kModeless) && window_ && IsWindow(window_)) {
    SetWindowLongPtrA(window_, DWLP_USER, 0);
    DestroyWindow(window_);
  }
}

void Win32Dialog::attach(HWND window) {
  window_ = window;
  target_->window = window;
}

INT_PTR CALLBACK Win32Dialog::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Win32Dialog* dialog = nullptr;
  if (message == WM_INITDIALOG) {
    dialog = reinterpret_cast<Win32Dialog*>(lParam);
    SetWindowLongPtrA(window, DWLP_USER, lParam);
    dialog->attach(window);
  } else {
    dialog = reinterpret_cast<Win32Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
  }
  return dialog ? dialog->handle(message, wParam, lParam) : FALSE;
}

UINT_PTR CALLBACK Win32Dialog::saveAsHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Win32Dialog* dialog = nullptr;
  if (message == WM_INITDIALOG) {
    auto* request = reinterpret_cast<OPENFILENAMEA*>(lParam);
    dialog = reinterpret_cast<Win32Dialog*>(request->lCustData);
    SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(dialog));
    dialog->attach(window);
    // The dialog manager looked for the bitmaps in the template's memory,
    // not in the program: they are put in from the program's resources.
    for (std::size_t i = 0; i < dialog->source_.controlCount; ++i) {
      const ControlTemplate& c = dialog->source_.controls[i];
      if (c.kind != ControlKind::kBitmap) continue;
      HANDLE image = LoadImageA(programInstance(), MAKEINTRESOURCEA(c.resource), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
      if (image) SendDlgItemMessageA(window, c.id, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image));
    }
    return TRUE;
  }
  dialog = reinterpret_cast<Win32Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
  if (!dialog) return 0;
  if (message == WM_NOTIFY) {
    auto* notice = reinterpret_cast<OFNOTIFYA*>(lParam);
    if (notice->hdr.hwndFrom == GetParent(window)) {
      switch (notice->hdr.code) {
        case CDN_INITDONE:
          dialog->handler_->initialised(*dialog);
          return 0;
        case CDN_TYPECHANGE:
          dialog->handler_->fileTypeChanged(*dialog, static_cast<int>(notice->lpOFN->nFilterIndex));
          return 0;
        case CDN_FILEOK: {
          std::string path = notice->lpOFN->lpstrFile;
          bool fits = path.size() + 1 <= static_cast<std::size_t>(dialog->saveAs_ ? dialog->saveAs_->nMaxFile : 0) &&
                      path.size() <= dialog->nameCapacity;
          if (!fits || !dialog->handler_->nameAccepted(*dialog, path)) {
            // A refused name keeps the dialog open.
            SetWindowLongPtrA(window, DWLP_MSGRESULT, 1);
            return 1;
          }
          dialog->accepted = true;
          dialog->acceptedPath = path;
          return 0;
        }
        default:
          return 0;
      }
    }
  }
  return static_cast<UINT_PTR>(dialog->handle(message, wParam, lParam));
}

INT_PTR Win32Dialog::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      if (handler_) handler_->initialised(*this);
      return TRUE;
    case WM_COMMAND: {
      const int id = static_cast<short>(LOWORD(wParam));
      const WORD code = HIWORD(wParam);
      if (!handler_) return FALSE;
      if (code == BN_CLICKED) {
        // Escape and the close box come as IDCANCEL: the close command,
        // unless the dialog has a control of that id.
        if (id == IDCANCEL && !control(IDCANCEL)) {
          handler_->clicked(*this, kCloseCommand);
          return TRUE;
        }
        ControlKind kind = kindOf(source_, id);
        if (kind == ControlKind::kCheckBox || kind == ControlKind::kRadioButton ||
            kind == ControlKind::kPushButton)
          handler_->clicked(*this, id);
        return TRUE;
      }
      if (code == CBN_SELCHANGE) {
        handler_->selectionChanged(*this, id);
        return TRUE;
      }
      return FALSE;
    }
    case WM_NOTIFY: {
      auto* notice = reinterpret_cast<NMHDR*>(lParam);
      if (notice->code == static_cast<UINT>(TCN_SELCHANGE) && handler_)
        handler_->tabChanged(*this, static_cast<int>(notice->idFrom));
      return FALSE;
    }
    case kRunPostedMessage:
      runPosted();
      return TRUE;
    case WM_DESTROY:
      // Its controls still exist: the handler reads them a last time.
      if ((kind_ == Kind::kModal || kind_ == Kind::kSaveAsArea) && handler_) handler_->closing(*this);
      target_->alive = false;
      return FALSE;
    case WM_NCDESTROY:
      window_ = nullptr;
      target_->window = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

void Win32Dialog::runPosted() {
  std::deque<std::function<void(Dialog&)>> work;
  {
    std::lock_guard<std::mutex> guard(target_->lock);
    work.swap(target_->queue);
  }
  for (auto& fn : work)
    if (target_->alive) fn(*this);
}

HWND Win32Dialog::control(int id) const { return window_ ? GetDlgItem(window_, id) : nullptr; }

HWND Win32Dialog::toplevel() const {
  if (!window_) return nullptr;
  if (kind_ == Kind::kSaveAsArea) return GetParent(window_);
  if (kind_ == Kind::kPage) return GetAncestor(window_, GA_ROOT);
  return window_;
}

bool Win32Dialog::isChecked(int id) const {
  return control(id) && IsDlgButtonChecked(window_, id) == BST_CHECKED;
}

void Win32Dialog::setChecked(int id, bool checked) {
  if (control(id)) CheckDlgButton(window_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

std::string Win32Dialog::text(int id) const {
  HWND c = control(id);
  if (!c) return std::string();
  ControlKind kind = kindOf(source_, id);
  if (kind == ControlKind::kDropDownList || kind == ControlKind::kTabControl)
    return listEntry(id, selection(id));
  return windowText(c);
}

void Win32Dialog::setText(int id, const std::string& text) {
  HWND c = control(id);
  ControlKind kind = kindOf(source_, id);
  if (!c || kind == ControlKind::kDropDownList || kind == ControlKind::kTabControl) return;
  SetWindowTextA(c, text.c_str());
}

void Win32Dialog::clearList(int id) {
  HWND c = control(id);
  if (!c) return;
  if (kindOf(source_, id) == ControlKind::kTabControl)
    TabCtrl_DeleteAllItems(c);
  else
    SendMessageA(c, CB_RESETCONTENT, 0, 0);
}

int Win32Dialog::addListEntry(int id, const std::string& text) {
  HWND c = control(id);
  if (!c) return -1;
  if (kindOf(source_, id) == ControlKind::kTabControl) {
    std::string shown = text;
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = &shown[0];
    return static_cast<int>(SendMessageA(c, TCM_INSERTITEMA, TabCtrl_GetItemCount(c),
                                         reinterpret_cast<LPARAM>(&item)));
  }
  LRESULT at = SendMessageA(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  return at < 0 ? -1 : static_cast<int>(at);
}

int Win32Dialog::listCount(int id) const {
  HWND c = control(id);
  if (!c) return 0;
  if (kindOf(source_, id) == ControlKind::kTabControl) return TabCtrl_GetItemCount(c);
  LRESULT count = SendMessageA(c, CB_GETCOUNT, 0, 0);
  return count < 0 ? 0 : static_cast<int>(count);
}

std::string Win32Dialog::listEntry(int id, int index) const {
  HWND c = control(id);
  if (!c || index < 0 || index >= listCount(id)) return std::string();
  if (kindOf(source_, id) == ControlKind::kTabControl) {
    char buffer[256] = "";
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    SendMessageA(c, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
    return buffer;
  }
  LRESULT length = SendMessageA(c, CB_GETLBTEXTLEN, index, 0);
  if (length <= 0) return std::string();
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  SendMessageA(c, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<std::size_t>(length));
  return text;
}

int Win32Dialog::selection(int id) const {
  HWND c = control(id);
  if (!c) return -1;
  if (kindOf(source_, id) == ControlKind::kTabControl) return TabCtrl_GetCurSel(c);
  return static_cast<int>(SendMessageA(c, CB_GETCURSEL, 0, 0));
}

void Win32Dialog::select(int id, int index) {
  HWND c = control(id);
  if (!c) return;
  if (kindOf(source_, id) == ControlKind::kTabControl) {
    TabCtrl_SetCurSel(c, index);
    return;
  }
  // An entry not there selects none, as Windows documents it; not every
  // combo box (Wine's) clears the selection by itself then.
  if (index < 0 || index >= listCount(id)) index = -1;
  SendMessageA(c, CB_SETCURSEL, index, 0);
}

void Win32Dialog::setProgressRange(int id, int low, int high) {
  if (HWND c = control(id)) SendMessageA(c, PBM_SETRANGE32, low, high);
}

void Win32Dialog::setProgressStep(int id, int step) {
  if (HWND c = control(id)) SendMessageA(c, PBM_SETSTEP, step, 0);
}

void Win32Dialog::setProgressPosition(int id, int position) {
  if (HWND c = control(id)) SendMessageA(c, PBM_SETPOS, position, 0);
}

void Win32Dialog::enable(int id, bool enabled) {
  if (HWND c = control(id)) EnableWindow(c, enabled);
}

bool Win32Dialog::isEnabled(int id) const {
  HWND c = control(id);
  return c && IsWindowEnabled(c);
}

void Win32Dialog::show(int id, bool visible) {
  if (HWND c = control(id)) ShowWindow(c, visible ? SW_SHOW : SW_HIDE);
}

bool Win32Dialog::isVisible(int id) const {
  HWND c = control(id);
  return c && (GetWindowLongA(c, GWL_STYLE) & WS_VISIBLE);
}

void Win32Dialog::destroyControl(int id) {
  if (HWND c = control(id)) DestroyWindow(c);
}

PixelRect Win32Dialog::controlRect(int id) const {
  HWND c = control(id);
  if (!c) return PixelRect();
  RECT r;
  GetWindowRect(c, &r);
  MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
  return fromRect(r);
}

PixelRect Win32Dialog::screenRect(int id) const {
  if (kind_ == Kind::kSaveAsArea && id == kCustomArea) {
    // Where the template's origin lies: the common dialog puts the child
    // template's window over its whole client area and moves the custom
    // controls below its own, so a control's place tells.
    PixelRect size = toPixels({0, 0, source_.width, source_.height});
    for (std::size_t i = 0; i < source_.controlCount; ++i) {
      const ControlTemplate& c = source_.controls[i];
      HWND placed = control(c.id);
      if (!placed || c.id == -1) continue;
      RECT r;
      GetWindowRect(placed, &r);
      PixelRect designed = toPixels(c.rect);
      return {r.left - designed.x, r.top - designed.y, size.width, size.height};
    }
    return PixelRect();
  }
  HWND c = nullptr;
  if (kind_ == Kind::kSaveAsArea && id == kSaveAsCancelButton)
    c = GetDlgItem(toplevel(), IDCANCEL);
  else
    c = control(id);
  if (!c) return PixelRect();
  RECT r;
  GetWindowRect(c, &r);
  return fromRect(r);
}

void Win32Dialog::moveControl(int id, const PixelRect& rect) {
  if (HWND c = control(id)) MoveWindow(c, rect.x, rect.y, rect.width, rect.height, TRUE);
}

PixelRect Win32Dialog::windowRect() const {
  RECT r = {0, 0, 0, 0};
  if (HWND top = toplevel()) GetWindowRect(top, &r);
  return fromRect(r);
}

void Win32Dialog::setWindowRect(const PixelRect& rect) {
  if (HWND top = toplevel()) MoveWindow(top, rect.x, rect.y, rect.width, rect.height, TRUE);
}

PixelRect Win32Dialog::toPixels(const DialogUnits& units) const {
  // The dialog manager turns a control's place and size into pixels each on
  // its own; mapping the far corner instead would round the size
  // differently, a pixel off the control it made.
  RECT r = {units.x, units.y, units.width, units.height};
  if (window_) MapDialogRect(window_, &r);
  return {r.left, r.top, r.right, r.bottom};
}

ScreenMetrics Win32Dialog::screen() const {
  ScreenMetrics metrics;
  metrics.width = GetSystemMetrics(SM_CXFULLSCREEN);
  metrics.height = GetSystemMetrics(SM_CYFULLSCREEN);
  HDC screen = GetDC(nullptr);
  if (screen) {
    metrics.pixelsPerInchX = GetDeviceCaps(screen, LOGPIXELSX);
    metrics.pixelsPerInchY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  return metrics;
}

void Win32Dialog::setBigIcon(int resourceId) {
  HWND top = toplevel();
  HANDLE icon = LoadImageA(programInstance(), MAKEINTRESOURCEA(resourceId), IMAGE_ICON,
                           GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0);
  if (top && icon) SendMessageA(top, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
}

void Win32Dialog::showWindow(bool visible) {
  if (HWND top = toplevel()) ShowWindow(top, visible ? SW_SHOW : SW_HIDE);
}

void Win32Dialog::bringToFront() {
  HWND top = toplevel();
  if (!top) return;
  SetWindowPos(top, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  SetForegroundWindow(top);
  SetFocus(top);
}

void Win32Dialog::repaint() {
  if (HWND top = toplevel())
    RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void Win32Dialog::end(int result) {
  if (ended_) return;
  ended_ = true;
  result_ = result;
  if (kind_ == Kind::kModal && window_) EndDialog(window_, result);
}

std::string Win32Dialog::fileName() const {
  if (!saveAs_ || !window_) return std::string();
  char name[MAX_PATH * 4] = "";
  if (CommDlg_OpenSave_GetSpecA(toplevel(), name, sizeof name) < 0) return std::string();
  return name;
}

void Win32Dialog::setFileName(const std::string& name, bool selectAll) {
  if (!saveAs_ || !window_) return;
  HWND dialog = toplevel();
  // The name field: a combo box in newer dialogs, an edit in older ones.
  const int field = GetDlgItem(dialog, cmb13) ? cmb13 : edt1;
  CommDlg_OpenSave_SetControlText(dialog, field, name.c_str());
  if (!selectAll) return;
  HWND control = GetDlgItem(dialog, field);
  if (field == cmb13)
    SendMessageA(control, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
  else
    SendMessageA(control, EM_SETSEL, 0, -1);
}

std::string Win32Dialog::folder() const {
  if (!saveAs_ || !window_) return std::string();
  char path[MAX_PATH * 4] = "";
  if (CommDlg_OpenSave_GetFolderPathA(toplevel(), path, sizeof path) < 0) return std::string();
  return path;
}

int Win32Dialog::filterIndex() const { return saveAs_ ? static_cast<int>(saveAs_->nFilterIndex) : 1; }

namespace {

// The types of a Save As request: description and pattern pairs, each
// ended by a null, the list by an empty description.
int filterCount(const OPENFILENAMEA& request) {
  int count = 0;
  for (const char* at = request.lpstrFilter; at && *at; ++count) {
    at += std::strlen(at) + 1;
    if (!*at) break;  // a description without its pattern ends the list too
    at += std::strlen(at) + 1;
  }
  return count;
}

}  // namespace

void Win32Dialog::setFilterIndex(int index) {
  if (!saveAs_ || index < 1 || index > filterCount(*saveAs_)) return;
  saveAs_->nFilterIndex = static_cast<DWORD>(index);
  if (window_) SendDlgItemMessageA(toplevel(), cmb1, CB_SETCURSEL, index - 1, 0);
}

std::unique_ptr<Dialog> Win32Dialog::createPage(int tabControlId, const DialogTemplate& page,
                                                DialogHandler* handler) {
  HWND tabs = control(tabControlId);
  if (!tabs) return nullptr;
  std::unique_ptr<Win32Dialog> created(new Win32Dialog(page, Kind::kPage, handler));
  // A page in a Save As dialog's custom area reaches the dialog's fields too.
  created->saveAs_ = saveAs_;
  std::vector<DWORD> image = buildDialogTemplate(page, Win32TemplateUse::kChild);
  HWND made = CreateDialogIndirectParamA(programInstance(), reinterpret_cast<LPCDLGTEMPLATEA>(image.data()),
                                         window_, procedure, reinterpret_cast<LPARAM>(created.get()));
  if (!made) return nullptr;
  // Over the tab control's display area, above the tab control itself.
  RECT area;
  GetWindowRect(tabs, &area);
  TabCtrl_AdjustRect(tabs, FALSE, &area);
  MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&area), 2);
  SetWindowPos(made, HWND_TOP, area.left, area.top, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  return std::unique_ptr<Dialog>(created.release());
}

std::shared_ptr<DialogPoster> Win32Dialog::poster() { return std::make_shared<Win32Poster>(target_); }

}  // namespace platform
