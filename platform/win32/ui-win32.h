// The Win32 user interface: dialogs built in memory from the templates and
// run by the dialog manager, the common Save As dialog with the custom area
// as its child template and the hook handing its events to the program's
// handler, comctl32's tab control and progress bar, message boxes, the
// clipboard and cursors.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "platform/win32/windows_api.h"

#include <commdlg.h>

namespace platform {

class Win32Dialog;

// Whether a dialog still exists; shared with the posters handed out for it.
struct Win32PostTarget {
  std::atomic<bool> alive{true};
  std::atomic<HWND> window{nullptr};
  Win32Dialog* dialog = nullptr;  // read on the dialog's thread only
  std::mutex lock;
  std::deque<std::function<void(Dialog&)>> queue;
};

// The message that asks a dialog to run what was posted to it.
constexpr UINT kRunPostedMessage = WM_APP + 0x56;

class Win32Dialog : public Dialog {
 public:
  enum class Kind { kModal, kModeless, kSaveAsArea, kPage };

  Win32Dialog(const DialogTemplate& source, Kind kind, DialogHandler* handler);
  ~Win32Dialog() override;

  // The dialog procedure of every dialog and page, and the Save As hook.
  static INT_PTR CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static UINT_PTR CALLBACK saveAsHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  const DialogTemplate& dialogTemplate() const override { return source_; }
  bool hasControl(int id) const override { return control(id) != nullptr; }
  bool isChecked(int id) const override;
  void setChecked(int id, bool checked) override;
  std::string text(int id) const override;
  void setText(int id, const std::string& text) override;
  void clearList(int id) override;
  int addListEntry(int id, const std::string& text) override;
  int listCount(int id) const override;
  std::string listEntry(int id, int index) const override;
  int selection(int id) const override;
  void select(int id, int index) override;
  void setProgressRange(int id, int low, int high) override;
  void setProgressStep(int id, int step) override;
  void setProgressPosition(int id, int position) override;
  void enable(int id, bool enabled) override;
  bool isEnabled(int id) const override;
  void show(int id, bool visible) override;
  bool isVisible(int id) const override;
  void destroyControl(int id) override;
  PixelRect controlRect(int id) const override;
  PixelRect screenRect(int id) const override;
  void moveControl(int id, const PixelRect& rect) override;
  PixelRect windowRect() const override;
  void setWindowRect(const PixelRect& rect) override;
  PixelRect toPixels(const DialogUnits& units) const override;
  ScreenMetrics screen() const override;
  void setBigIcon(int resourceId) override;
  void showWindow(bool visible) override;
  void bringToFront() override;
  void repaint() override;
  void end(int result) override;
  std::string fileName() const override;
  void setFileName(const std::string& name, bool selectAll) override;
  std::string folder() const override;
  int filterIndex() const override;
  void setFilterIndex(int index) override;
  std::unique_ptr<Dialog> createPage(int tabControlId, const DialogTemplate& page,
                                     DialogHandler* handler) override;
  std::shared_ptr<DialogPoster> poster() override;

  HWND window() const { return window_; }
  int result() const { return result_; }
  bool ended() const { return ended_; }
  // The Save As dialog's data, for the custom area.
  void setSaveAs(OPENFILENAMEA* request) { saveAs_ = request; }
  bool accepted = false;
  std::string acceptedPath;
  std::size_t nameCapacity = 779;

 private:
  HWND control(int id) const;
  // The top-level window: the dialog itself, or the Save As dialog around
  // its custom area, or the window around a page.
  HWND toplevel() const;
  void attach(HWND window);
  INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);
  void runPosted();

  const DialogTemplate& source_;
  Kind kind_;
  DialogHandler* handler_;
  HWND window_ = nullptr;
  OPENFILENAMEA* saveAs_ = nullptr;
  std::vector<HWND> destroyed_;
  std::vector<DWORD> pageImage_;
  std::shared_ptr<Win32PostTarget> target_;
  bool ended_ = false;
  int result_ = 0;
};

class Win32Ui : public UserInterface {
 public:
  Win32Ui();
  bool interactive() const override { return true; }
  std::string description() const override;
  int messageBox(const std::string& text, const std::string& caption, unsigned flags,
                 const Dialog* owner = nullptr) override;
  int runModal(const DialogTemplate& dialog, DialogHandler& handler) override;
  std::unique_ptr<Dialog> openModeless(const DialogTemplate& dialog,
                                       DialogHandler* handler) override;
  SaveAsResult runSaveAs(const SaveAsRequest& request, const DialogTemplate& customArea,
                         DialogHandler& hook) override;
  void setCursor(Cursor cursor) override;
  bool copyToClipboard(const std::string& text) override;
  int bringWindowsForward(const std::string& windowClass) override;
};

// The program's module: its resources hold the images the templates name.
HINSTANCE programInstance();

}  // namespace platform
