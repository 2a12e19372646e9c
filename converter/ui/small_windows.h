// The converter's small windows: the progress window while the interpreter
// works, the status window while the PDF utility works, and the questions
// about an existing file, its password and a profile's name.
#pragma once

#include <memory>
#include <string>

#include "platform/ui.h"

namespace vellora {

// "Creating Document" with a bar of pages done: borderless, above every
// other window. Closed when the object goes. Without a desktop it holds no
// window and does nothing.
class ProgressWindow {
 public:
  ProgressWindow();
  ~ProgressWindow();
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  void setRange(int low, int high);
  void setStep(int step);
  void setPosition(int position);
  // Paints the window and its bar at once.
  void repaint();

 private:
  std::unique_ptr<platform::Dialog> window_;
};
std::unique_ptr<ProgressWindow> openProgressWindow();

// One line naming the current step, shown topmost with the focus.
class StatusWindow {
 public:
  explicit StatusWindow(const std::string& text);
  ~StatusWindow();
  StatusWindow(const StatusWindow&) = delete;
  StatusWindow& operator=(const StatusWindow&) = delete;
  void setText(const std::string& text);

 private:
  std::unique_ptr<platform::Dialog> window_;
};
std::unique_ptr<StatusWindow> openStatusWindow(const std::string& text);

// "A file by this name already exists": 1 Replace, 2 Append, 3 Prepend,
// 0 Cancel; platform::kDialogUnavailable when it cannot be asked.
int askFileExists();

// The password of an existing encrypted PDF: 0 with the password (never
// empty, at most 254 characters), 1 cancelled, platform::kDialogUnavailable
// when it cannot be asked.
int askExistingFilePassword(std::string* password);

// A name for a profile, starting with `initialName` in the edit: 1 with the
// name (never empty, at most 999 characters), 0 cancelled or unavailable.
int askProfileName(const std::string& initialName, std::string* name);

}  // namespace vellora
