// What the user sees: message boxes, windows and dialogs built from
// templates, the cursor and the clipboard.
//
// Every window of the programs is described by a template (DialogTemplate):
// data that names each control with its id, class, text, style and place in
// dialog units, as a Windows dialog resource does. The programs' own code
// builds its windows from templates, reads and changes their controls by id
// through a Dialog handle, and reacts to what the user does in a
// DialogHandler. A backend turns templates into real windows (Win32 dialogs
// built in memory, GTK widgets laid out from dialog units) or, in the
// scripted backend (scripted_ui/scripted_ui.h), keeps every control's state
// and acts from a script as a user would.
//
// Which backend a program gets is decided once, at its first use of ui():
// a script (VELLORA_UI_SCRIPT) gives the scripted one, in a program that
// installed it (setScriptedBackend); else a desktop backend when there is a
// desktop (on POSIX a display in DISPLAY or WAYLAND_DISPLAY and the GTK
// module, loaded at run time, so programs run where GTK is not installed);
// else the headless one (headless_ui.h), where nobody can be asked.
// description() says which and why.
//
// All dialog work happens on the thread that opened the dialog (the
// "dialog's thread"). Other threads reach a dialog only through its
// DialogPoster, which runs a function on the dialog's thread later and drops
// it when the dialog is gone by then.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// ---------------------------------------------------------------------------
// Message boxes

// Message box flags and results, numbered as the Windows API numbers them.
enum MessageBoxFlags : unsigned {
  kMbOk = 0x0,
  kMbOkCancel = 0x1,
  kMbAbortRetryIgnore = 0x2,
  kMbYesNoCancel = 0x3,
  kMbYesNo = 0x4,
  kMbRetryCancel = 0x5,
  kMbButtonMask = 0xF,
  kMbIconError = 0x10,
  kMbIconQuestion = 0x20,
  kMbIconWarning = 0x30,
  kMbIconInformation = 0x40,
  kMbIconMask = 0xF0,
  kMbDefButton2 = 0x100,
  kMbDefButton3 = 0x200,
  kMbTopmost = 0x40000,
};

enum MessageBoxResult {
  kIdOk = 1,
  kIdCancel = 2,
  kIdAbort = 3,
  kIdRetry = 4,
  kIdIgnore = 5,
  kIdYes = 6,
  kIdNo = 7,
};

enum class Cursor { kArrow, kWait };

// ---------------------------------------------------------------------------
// Templates

// The classes of control a template may hold.
enum class ControlKind {
  kCheckBox,      // a box the user checks and clears (it toggles itself)
  kRadioButton,   // checks itself and clears the others of its group
  kStatic,        // a text (label)
  kEdit,          // one line of text
  kPasswordEdit,  // one line of text shown as bullets
  kDropDownList,  // a list the user picks one entry of; no typing
  kPushButton,
  kGroupBox,      // a frame with a title around other controls
  kTabControl,    // a row of tabs; pages are separate dialogs placed inside it
  kProgressBar,
  kBitmap,        // an image resource (ControlTemplate::resource)
};

// Style bits that matter to how a control looks or behaves.
enum ControlStyle : unsigned {
  kStyleNone = 0,
  kStyleHidden = 1u << 0,         // created invisible
  kStyleDisabled = 1u << 1,       // created disabled
  kStyleCentred = 1u << 2,        // text centred
  kStyleRight = 1u << 3,          // text right-aligned
  kStyleDefaultButton = 1u << 4,  // the push button that Enter presses
  kStyleGroup = 1u << 5,          // starts a group: a radio group runs from here to the next kStyleGroup
  kStyleSorted = 1u << 6,         // a list that keeps its entries sorted (lists are unsorted without it)
};

// A rectangle in dialog units: horizontal units are a quarter of the dialog
// font's average character width, vertical units an eighth of its height.
struct DialogUnits {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct ControlTemplate {
  int id;
  ControlKind kind;
  const char* text;  // the caption; for a list its entries come later, for a bitmap it is unused
  unsigned style;    // ControlStyle bits
  DialogUnits rect;
  int resource;      // image resource id of a bitmap; 0 otherwise
};

// How a dialog window itself looks and behaves.
enum DialogStyle : unsigned {
  kDialogNone = 0,
  kDialogChild = 1u << 0,       // no frame: a custom area or a page inside another window
  kDialogCaption = 1u << 1,     // a title bar showing the caption
  kDialogCentred = 1u << 2,     // centred on the screen when it opens
  kDialogTopmost = 1u << 3,     // kept above other windows
  kDialogForeground = 1u << 4,  // brought to the foreground when it opens
  kDialogVisible = 1u << 5,     // a modeless window shown as soon as it is created
  kDialogTabIntoChildren = 1u << 6,  // keyboard navigation enters child dialogs (pages)
};

// The font dialog units are measured in.
constexpr const char kDialogFontName[] = "MS Shell Dlg";
constexpr int kDialogFontPoints = 8;

struct DialogTemplate {
  int id;               // the resource id
  const char* name;     // a short name the dialog answers to in scripts ("fileexists")
  const char* caption;  // empty for child dialogs
  unsigned style;       // DialogStyle bits
  int width;            // dialog units
  int height;
  const ControlTemplate* controls;
  std::size_t controlCount;

  // The control of an id; nullptr when the template has none.
  const ControlTemplate* find(int controlId) const;
};

// ---------------------------------------------------------------------------
// Dialogs

// A rectangle in pixels.
struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  int right() const { return x + width; }
  int bottom() const { return y + height; }
};

struct ScreenMetrics {
  int width = 0;   // the full-screen work area a maximised window gets
  int height = 0;
  int pixelsPerInchX = 96;
  int pixelsPerInchY = 96;
};

// Control ids with a meaning of their own.
// The user closed the dialog without a button of its own (Escape, the close
// box): handlers see it as a click on this id, as Windows sends IDCANCEL.
constexpr int kCloseCommand = 2;
// In a Save As dialog: the standard Cancel button, and the custom area as a
// whole (for screenRect).
constexpr int kSaveAsCancelButton = -2;
constexpr int kCustomArea = -1;

// What a modal dialog returns when it cannot be shown at all (no desktop and
// no script), or when the desktop went away while it was open. In the second
// case its handler has seen initialised and perhaps some clicks, but gets no
// closing: the dialog simply stopped existing, and nothing the user had not
// confirmed may be acted on.
constexpr int kDialogUnavailable = -1;

class Dialog;

// Runs functions on a dialog's thread from any thread. Holding one does not
// keep the dialog alive: once the dialog is gone, post refuses and functions
// still waiting are dropped unrun. Release it when done: the scripted
// backend's "wait" action waits for every poster to be released.
class DialogPoster {
 public:
  virtual ~DialogPoster() = default;
  // Queues fn to run on the dialog's thread, with the dialog it was posted
  // to; never waits for the dialog's thread. False when the dialog is gone.
  virtual bool post(std::function<void(Dialog&)> fn) = 0;
};

// What the user did, handed to the program's code. Every call comes on the
// dialog's thread, after the control has taken its new state (a clicked box
// is already checked or cleared, a chosen entry already selected).
// (Defined here, so that a desktop module, which does not link the
// platform library, has all of the class.)
class DialogHandler {
 public:
  virtual ~DialogHandler() = default;
  // The dialog and its controls exist and are about to be shown.
  virtual void initialised(Dialog&) {}
  // A push button was pressed, a check box or radio button clicked, or
  // kCloseCommand: the user closed the window.
  virtual void clicked(Dialog&, int /*controlId*/) {}
  // The user chose another entry of a list.
  virtual void selectionChanged(Dialog&, int /*controlId*/) {}
  // The user switched to another tab (the new one is the tab control's selection).
  virtual void tabChanged(Dialog&, int /*tabControlId*/) {}
  // Save As: the user chose another file type (1-based).
  virtual void fileTypeChanged(Dialog&, int /*filterIndex*/) {}
  // Save As: the user asks to save under `path` (full, with the selected
  // type's extension added when typed without one). False keeps the dialog
  // open with the user's entries.
  virtual bool nameAccepted(Dialog&, const std::string& /*path*/) { return true; }
  // The dialog is closing (accepted, cancelled or ended); its controls can
  // still be read.
  virtual void closing(Dialog&) {}
};

// A dialog is seen through three narrower faces, so that code which only
// fills in controls, or only places a window, says so: its controls, where
// it and its controls are, and the Save As dialog's own fields. Dialog
// joins them with what every dialog has besides (its template, its end, its
// pages and its poster). None of the faces owns the dialog: it is destroyed
// through Dialog only.

// The controls of a dialog, by id. An id the dialog does not have, or a
// destroyed control, reads as empty (false, "", -1, 0) and ignores changes.
class DialogControls {
 public:
  virtual bool hasControl(int id) const = 0;

  // Check boxes and radio buttons.
  virtual bool isChecked(int id) const = 0;
  virtual void setChecked(int id, bool checked) = 0;
  // Captions and edit texts; a list's text is its selected entry's.
  virtual std::string text(int id) const = 0;
  virtual void setText(int id, const std::string& text) = 0;
  // Lists and tab controls (a tab control's entries are its tabs).
  virtual void clearList(int id) = 0;
  // Returns the new entry's index.
  virtual int addListEntry(int id, const std::string& text) = 0;
  virtual int listCount(int id) const = 0;
  virtual std::string listEntry(int id, int index) const = 0;
  // The selected entry (or tab), -1 when none.
  virtual int selection(int id) const = 0;
  // Selects an entry (-1, or an index past a list's entries, selects none)
  // without any event, as a program does.
  virtual void select(int id, int index) = 0;
  // Progress bars.
  virtual void setProgressRange(int id, int low, int high) = 0;
  virtual void setProgressStep(int id, int step) = 0;
  virtual void setProgressPosition(int id, int position) = 0;

  virtual void enable(int id, bool enabled) = 0;
  virtual bool isEnabled(int id) const = 0;
  virtual void show(int id, bool visible) = 0;
  virtual bool isVisible(int id) const = 0;
  virtual void destroyControl(int id) = 0;

 protected:
  ~DialogControls() = default;
};

// Where a dialog and its controls are, in pixels, and its window.
class DialogPlacement {
 public:
  // Where a control is: relative to this dialog's client area, and on the
  // screen. In a Save As dialog's custom area, screenRect also takes
  // kSaveAsCancelButton and kCustomArea. A control the dialog does not
  // have is nowhere (an empty rect) and does not move.
  virtual PixelRect controlRect(int id) const = 0;
  virtual PixelRect screenRect(int id) const = 0;
  virtual void moveControl(int id, const PixelRect& rect) = 0;

  // The window: a custom area's or a page's window is the top-level window
  // it lives in (the whole Save As dialog). The height of a Save As dialog
  // says how much of its custom area shows: the area is cut where the
  // window's bottom edge falls. (A desktop whose own Save As puts standard
  // controls below the custom area, GTK's Save and Cancel buttons, keeps
  // them in view below the part of the area that shows, so windowRect may
  // then be taller than the rect last set.)
  virtual PixelRect windowRect() const = 0;
  virtual void setWindowRect(const PixelRect& rect) = 0;
  virtual PixelRect toPixels(const DialogUnits& units) const = 0;
  virtual ScreenMetrics screen() const = 0;
  virtual void setBigIcon(int resourceId) = 0;
  virtual void showWindow(bool visible) = 0;
  // Topmost, in the foreground, with the keyboard focus. Where no window
  // is on a screen there is nothing to raise.
  virtual void bringToFront() {}
  // Paints the window now, without handling any other message; nothing to
  // do where nothing is painted.
  virtual void repaint() {}

 protected:
  ~DialogPlacement() = default;
};

// The Save As dialog's own fields, reached from its custom area or a page
// inside it: the file name field, the folder shown and the selected file
// type (1-based). Any other dialog has none: they read as empty (no name,
// no folder, the first type) and ignore changes.
class SaveAsFields {
 public:
  virtual std::string fileName() const { return std::string(); }
  virtual void setFileName(const std::string& /*name*/, bool /*selectAll*/) {}
  virtual std::string folder() const { return std::string(); }
  virtual int filterIndex() const { return 1; }
  // Selects a type as a program does, without fileTypeChanged.
  virtual void setFilterIndex(int /*index*/) {}

 protected:
  ~SaveAsFields() = default;
};

// One open dialog, modal or modeless, a Save As dialog's custom area, or a
// page inside a tab control.
class Dialog : public DialogControls, public DialogPlacement, public SaveAsFields {
 public:
  virtual ~Dialog() = default;  // destroying a page or a modeless window's handle closes it

  virtual const DialogTemplate& dialogTemplate() const = 0;

  // Ends a modal dialog: runModal returns `result`.
  virtual void end(int result) = 0;

  // A page inside a tab control of this dialog, placed in the tab control's
  // display area; its events go to `handler`, which must outlive it. The
  // page lives until its handle is destroyed.
  virtual std::unique_ptr<Dialog> createPage(int tabControlId, const DialogTemplate& page,
                                             DialogHandler* handler) = 0;

  virtual std::shared_ptr<DialogPoster> poster() = 0;
};

// ---------------------------------------------------------------------------
// The Save As dialog

struct FileFilter {
  std::string description;  // "PDF Documents (*.pdf)"
  std::string pattern;      // "*.pdf"
};

struct SaveAsRequest {
  std::string title;          // the dialog's caption
  std::string initialFolder;
  std::string initialName;
  std::vector<FileFilter> filters;
  int filterIndex = 1;        // 1-based, as the Windows dialog counts
  std::string defaultExtension;
  // The longest full name the caller can take (the name buffer's size less
  // its terminator); a longer name is refused and the dialog stays open.
  std::size_t nameCapacity = 779;
};

// kUnavailable: no Save As dialog could be shown, or the desktop went away
// while it was open (see kDialogUnavailable: the hook then gets no closing).
enum class SaveAsStatus { kAccepted, kCancelled, kUnavailable };

struct SaveAsResult {
  SaveAsStatus status = SaveAsStatus::kCancelled;
  bool accepted() const { return status == SaveAsStatus::kAccepted; }
  std::string path;           // the accepted full name
  int filterIndex = 1;
};

// ---------------------------------------------------------------------------
// The user interface

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // False when nobody can answer a question: no desktop and no script.
  // Dialogs then return kDialogUnavailable and message boxes their safe
  // answer (the one that neither replaces, joins nor sends anything).
  virtual bool interactive() const = 0;
  // Which backend this is and why it was chosen, for the run log.
  virtual std::string description() const = 0;

  // Shows a message box and returns the button pressed (kIdOk...). An owner
  // keeps the box above that dialog.
  virtual int messageBox(const std::string& text, const std::string& caption, unsigned flags,
                         const Dialog* owner = nullptr) = 0;

  // Runs a modal dialog until its handler calls end(); returns that result,
  // or kDialogUnavailable when the dialog cannot be shown.
  virtual int runModal(const DialogTemplate& dialog, DialogHandler& handler) = 0;
  // Opens a modeless window; it lives until the handle is destroyed. Its
  // handler may be nullptr. nullptr when no window can be shown.
  virtual std::unique_ptr<Dialog> openModeless(const DialogTemplate& dialog,
                                               DialogHandler* handler) = 0;
  // The system's Save As dialog with `customArea` below its standard
  // controls; the hook gets the custom area's events and the Save As events.
  // Save asks the hook (nameAccepted); Cancel or closing the window ends the
  // dialog without asking. Either way the hook's closing comes last. The
  // backend asks nothing itself about an existing file.
  virtual SaveAsResult runSaveAs(const SaveAsRequest& request, const DialogTemplate& customArea,
                                 DialogHandler& hook) = 0;

  virtual void setCursor(Cursor cursor) = 0;
  // Puts a text on the clipboard; false when the clipboard cannot be had.
  virtual bool copyToClipboard(const std::string& text) = 0;
  // Brings every visible top-level window of a window class (letter case
  // ignored) to the foreground; the number of windows raised.
  virtual int bringWindowsForward(const std::string& windowClass) = 0;
};

// The process's user interface; nullptr restores the default backend (it is
// chosen anew at the next ui()).
UserInterface& ui();
void setUserInterface(UserInterface* replacement);

class DesktopHost;

// The scripted backend is a library of its own (scripted_ui/): only the
// programs that can be run unattended carry it, and they install it at their
// start, before the first ui(). A program without it never reads a script,
// and its desktop backend keeps no record.
struct ScriptedBackend {
  // A backend that acts out the script VELLORA_UI_SCRIPT names and records
  // in VELLORA_UI_LOG; the caller owns it.
  UserInterface* (*fromEnvironment)();
  // The program's side of a desktop backend (desktop.h).
  DesktopHost& (*desktopHost)();
};
// Takes effect at the next choice of the default backend.
void setScriptedBackend(const ScriptedBackend& backend);

// ---------------------------------------------------------------------------
// Images

// An image a program's templates refer to by resource id (a bitmap control's
// ControlTemplate::resource, a window's big icon), as PNG data. Programs
// register theirs once at start; a Win32 build takes them from its resource
// section instead.
struct ImageResource {
  int id;
  const unsigned char* png;
  std::size_t size;
};
void registerImageResources(const ImageResource* images, std::size_t count);
// nullptr when no image of that id was registered.
const ImageResource* findImageResource(int id);

}  // namespace platform
