#include "converter/ui/small_windows.h"

#include "converter/ui/dialog_ids.h"
#include "converter/ui/dialog_templates.h"

namespace vellora {

namespace {

constexpr std::size_t kPasswordLimit = 254;
constexpr std::size_t kProfileNameLimit = 999;

class FileExistsHandler : public platform::DialogHandler {
 public:
  void clicked(platform::Dialog& dialog, int id) override {
    switch (id) {
      case kReplaceButton: dialog.end(1); break;
      case kAppendButton: dialog.end(2); break;
      case kPrependButton: dialog.end(3); break;
      case kFileExistsCancelButton:
      case platform::kCloseCommand: dialog.end(0); break;
      default: break;
    }
  }
};

// The password and profile name dialogs: OK takes a text that is not empty
// (an empty edit keeps the dialog open), Cancel or closing the window gives
// up.
class NameHandler : public platform::DialogHandler {
 public:
  NameHandler(int okButton, int cancelButton, std::size_t limit, std::string initial)
      : ok_(okButton), cancel_(cancelButton), limit_(limit), initial_(std::move(initial)) {}
  void initialised(platform::Dialog& dialog) override { dialog.setText(kNameEdit, initial_); }
  void clicked(platform::Dialog& dialog, int id) override {
    if (id == ok_) {
      std::string text = dialog.text(kNameEdit);
      if (text.empty()) return;
      name = text.substr(0, limit_);
      dialog.end(1);
    } else if (id == cancel_ || id == platform::kCloseCommand) {
      dialog.end(0);
    }
  }
  std::string name;

 private:
  int ok_, cancel_;
  std::size_t limit_;
  std::string initial_;
};

}  // namespace

ProgressWindow::ProgressWindow() : window_(platform::ui().openModeless(kProgressTemplate, nullptr)) {}

ProgressWindow::~ProgressWindow() = default;

void ProgressWindow::setRange(int low, int high) {
  if (window_) window_->setProgressRange(kProgressBar, low, high);
}

void ProgressWindow::setStep(int step) {
  if (window_) window_->setProgressStep(kProgressBar, step);
}

void ProgressWindow::setPosition(int position) {
  if (window_) window_->setProgressPosition(kProgressBar, position);
}

void ProgressWindow::repaint() {
  if (window_) window_->repaint();
}

std::unique_ptr<ProgressWindow> openProgressWindow() {
  return std::unique_ptr<ProgressWindow>(new ProgressWindow);
}

StatusWindow::StatusWindow(const std::string& text)
    : window_(platform::ui().openModeless(kStatusTemplate, nullptr)) {
  if (!window_) return;
  window_->showWindow(true);
  window_->bringToFront();
  window_->setText(kStatusText, text);
  window_->repaint();
}

StatusWindow::~StatusWindow() = default;

void StatusWindow::setText(const std::string& text) {
  if (!window_) return;
  window_->setText(kStatusText, text);
  window_->repaint();
}

std::unique_ptr<StatusWindow> openStatusWindow(const std::string& text) {
  return std::unique_ptr<StatusWindow>(new StatusWindow(text));
}

int askFileExists() {
  FileExistsHandler handler;
  return platform::ui().runModal(kFileExistsTemplate, handler);
}

int askExistingFilePassword(std::string* password) {
  NameHandler handler(kPasswordOkButton, kPasswordCancelButton, kPasswordLimit, std::string());
  int result = platform::ui().runModal(kPasswordTemplate, handler);
  if (result == platform::kDialogUnavailable) return result;
  if (result != 1) return 1;
  if (password) *password = handler.name;
  return 0;
}

int askProfileName(const std::string& initialName, std::string* name) {
  NameHandler handler(kProfileNameOkButton, kProfileNameCancelButton, kProfileNameLimit,
                      initialName);
  if (platform::ui().runModal(kProfileNameTemplate, handler) != 1) return 0;
  if (name) *name = handler.name;
  return 1;
}

}  // namespace vellora
