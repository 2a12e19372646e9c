// What the user sees: message boxes, the small windows of a conversion and
// the dialogs that ask for a file name or a password.
//
// Two kinds of backend stand behind this seam: desktop ones that show real
// windows, and the scripted one (scripted_ui.h), which answers from a script
// and records everything it was asked to show. The scripted one is the
// default until a desktop backend is chosen.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace platform {

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

// A window with a progress bar ("Creating Document").
class ProgressWindow {
 public:
  virtual ~ProgressWindow() = default;
  virtual void setRange(int low, int high) = 0;
  virtual void setStep(int step) = 0;
  virtual void setPosition(int position) = 0;
  // Repaints the window and its bar at once, without handling other messages.
  virtual void repaint() = 0;
};

// A small window with one line of text naming the current step.
class StatusWindow {
 public:
  virtual ~StatusWindow() = default;
  virtual void setText(const std::string& text) = 0;
};

struct FileFilter {
  std::string description;  // "PDF Files (*.pdf)"
  std::string pattern;      // "*.pdf"
};

struct SaveAsRequest {
  std::string title;          // the dialog's caption
  std::string initialFolder;
  std::string initialName;
  std::vector<FileFilter> filters;
  int filterIndex = 1;        // 1-based, as the Windows dialog counts
  std::string defaultExtension;
};

struct SaveAsResult {
  bool accepted = false;
  std::string path;
  int filterIndex = 1;
};

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // Shows a message box and returns the button pressed (kIdOk...).
  virtual int messageBox(const std::string& text, const std::string& caption, unsigned flags) = 0;

  // Created shown and topmost; closed when the object goes.
  virtual std::unique_ptr<ProgressWindow> openProgressWindow(const std::string& text) = 0;
  virtual std::unique_ptr<StatusWindow> openStatusWindow(const std::string& caption,
                                                         const std::string& text) = 0;

  virtual SaveAsResult saveAs(const SaveAsRequest& request) = 0;
  // "A file by this name already exists": 1 Replace, 2 Append, 3 Prepend, 0 Cancel.
  virtual int fileExistsDialog() = 0;
  // The password of a protected document: 0 with the password typed (never
  // empty), 1 cancelled, -1 the dialog cannot be shown.
  virtual int passwordDialog(std::string* password) = 0;
  // A name for a profile: 1 with the name, 0 cancelled.
  virtual int profileNameDialog(const std::string& initialName, std::string* name) = 0;

  virtual void setCursor(Cursor cursor) = 0;
  virtual bool copyToClipboard(const std::string& text) = 0;
};

// The process's user interface; nullptr restores the default backend.
UserInterface& ui();
void setUserInterface(UserInterface* replacement);

}  // namespace platform
