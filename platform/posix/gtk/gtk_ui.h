// The GTK 3 user interface: every dialog of ui.h as real GTK windows. It
// lives in the module vlgtk.so and reaches the program only through the
// abstract classes of ui.h and desktop.h.
//
// All GTK work happens on the thread that chose the user interface (the
// program's main thread), which is also every dialog's thread. Modal dialogs,
// message boxes and the Save As dialog each run a nested main loop.
#pragma once

#include <gtk/gtk.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/ui.h"

namespace vlgtk {

class GtkDialogWindow;

// Thrown out of Xlib when the display goes away, through GTK and GLib (all
// built with unwind tables), up to the outermost call into this interface,
// which then ends as if no window could be shown. Returning into Xlib
// instead would crash: its requests fail once the connection broke. Every
// call into the interface that can reach the display counts itself with
// an Entry and ends with VLGTK_SURVIVE.
struct DisplayLost {};

// The dialog font's base units in pixels: horizontal units are a quarter of
// the average character width, vertical units an eighth of the height.
struct BaseUnits {
  int x = 6;
  int y = 13;
};

// One window a nested main loop runs for, innermost last.
struct ModalContext {
  enum class Kind { kDialog, kSaveAs, kMessageBox };
  Kind kind = Kind::kDialog;
  std::string answerKind;            // the script's answers it takes ("saveas", "fileexists", "message")
  GtkWidget* window = nullptr;       // its top-level window
  GtkDialogWindow* dialog = nullptr;  // kDialog and kSaveAs
  GMainLoop* loop = nullptr;
  bool done = false;
  unsigned flags = 0;                // kMessageBox: the box's flags
  // The driver's state (monotonic microseconds): when the window was first
  // seen mapped, until when it pauses, and until when it waits for a Save
  // As dialog to answer a pressed Save or Cancel (0: not waiting).
  guint tickSource = 0;
  gint64 mappedAt = 0;
  gint64 pauseUntil = 0;
  gint64 awaitingResponseUntil = 0;
};

// Acting out a script on the real windows (gtk_driver.h). Only a module
// built with the tests has one; the module that ships has none of its code.
class ScriptDriver {
 public:
  virtual ~ScriptDriver() = default;
  // Starts acting out the script on a modal window (when one drives it).
  virtual void drive(ModalContext& context) = 0;
  virtual void stop(ModalContext& context) = 0;
  // A modeless window is about to close: its screenshot, when wanted.
  virtual void windowClosing(GtkDialogWindow& dialog) = 0;
};

class GtkUi : public platform::UserInterface {
 public:
  GtkUi(platform::DesktopHost& host, std::string description);
  ~GtkUi() override;

  bool interactive() const override { return !lost_; }
  std::string description() const override;
  int messageBox(const std::string& text, const std::string& caption, unsigned flags,
                 const platform::Dialog* owner = nullptr) override;
  int runModal(const platform::DialogTemplate& dialog, platform::DialogHandler& handler) override;
  std::unique_ptr<platform::Dialog> openModeless(const platform::DialogTemplate& dialog,
                                                 platform::DialogHandler* handler) override;
  platform::SaveAsResult runSaveAs(const platform::SaveAsRequest& request,
                                   const platform::DialogTemplate& customArea,
                                   platform::DialogHandler& hook) override;
  void setCursor(platform::Cursor cursor) override;
  bool copyToClipboard(const std::string& text) override;
  int bringWindowsForward(const std::string& windowClass) override;

  // For the dialogs and the driver.
  platform::DesktopHost& host() { return host_; }
  // nullptr in a module built without the tests.
  ScriptDriver* driver() { return driver_.get(); }
  const BaseUnits& baseUnits() const { return units_; }
  platform::ScreenMetrics screen() const;
  // The program's image of a resource id, scaled to fit width x height
  // (0 x 0: its own size); nullptr when there is none. The caller owns it.
  GdkPixbuf* image(int resourceId, int width, int height);

  // The display went away: every loop ends, every dialog counts as
  // unavailable, and GTK is never called again.
  void displayLost(const std::string& why);
  bool lost() const { return lost_; }
  // Calls into the interface now running, outermost first.
  int depth() const { return depth_; }
  // In a DisplayLost handler: passes the exception on unless this was the
  // outermost call.
  void absorb() {
    if (depth_ > 0) throw;
  }
  class Entry {
   public:
    explicit Entry(GtkUi& ui) : ui_(ui) { ++ui_.depth_; }
    ~Entry() { --ui_.depth_; }
    Entry(const Entry&) = delete;
    Entry& operator=(const Entry&) = delete;

   private:
    GtkUi& ui_;
  };

  // A dialog whose widgets went with the display: kept, never destroyed,
  // since destroying it would call GTK.
  void abandon(std::unique_ptr<GtkDialogWindow> dialog);

  // Nested loops, innermost last.
  void runLoop(ModalContext& context);
  void endLoop(ModalContext& context);
  const std::vector<ModalContext*>& modals() const { return modals_; }

  // Top-level windows shown by this interface, for the cursor.
  void addWindow(GtkWidget* window);
  void removeWindow(GtkWidget* window);

  // Work posted from other threads, counted so that "wait" can wait for it.
  std::atomic<int> posters{0};
  std::atomic<int> pendingPosts{0};

 private:
  // The calls above once they know the display is there.
  int showMessageBox(const std::string& text, const std::string& caption, unsigned flags,
                     const platform::Dialog* owner);
  int showModal(const platform::DialogTemplate& dialog, platform::DialogHandler& handler);
  platform::SaveAsResult showSaveAs(const platform::SaveAsRequest& request,
                                    const platform::DialogTemplate& customArea,
                                    platform::DialogHandler& hook);

  platform::DesktopHost& host_;
  std::string description_;
  std::unique_ptr<ScriptDriver> driver_;
  BaseUnits units_;
  bool lost_ = false;
  int depth_ = 0;
  std::vector<ModalContext*> modals_;
  std::vector<GtkWidget*> windows_;
  std::vector<std::unique_ptr<GtkDialogWindow>> abandoned_;
  GdkCursor* cursor_ = nullptr;
};

// The body of a call that can reach the display (a function-try-block):
//   void f() try { VLGTK_ENTER(ui_, ); ... } VLGTK_SURVIVE(ui_, )
#define VLGTK_ENTER(ui, fallback) \
  ::vlgtk::GtkUi::Entry vlgtkEntry(ui);  \
  if ((ui).lost()) return fallback
#define VLGTK_SURVIVE(ui, fallback)    \
  catch (const ::vlgtk::DisplayLost&) { \
    (ui).absorb();                     \
    return fallback;                   \
  }

// Text from the programs (single-byte, maybe not UTF-8) as GTK wants it.
std::string toUtf8(const std::string& text);
// A Windows caption ("&Save", "a && b") as a GTK mnemonic label.
std::string mnemonicLabel(const char* caption);

// Paints a window now and lets GTK handle what is pending, without waiting
// for more than `limitMilliseconds`.
void paintNow(GtkWidget* window, int limitMilliseconds);

}  // namespace vlgtk
