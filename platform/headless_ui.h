// The user interface where nobody can be asked: no desktop and no script.
// Every question takes its safe answer, the one that neither replaces, joins
// nor sends anything: No for Yes/No, Cancel where there is one, Abort for
// Abort/Retry/Ignore, else OK. Dialogs cannot be shown (runModal returns
// kDialogUnavailable, runSaveAs kUnavailable). Modeless windows (progress,
// status) open without being seen and keep their controls' state.
//
// With a record file (VELLORA_UI_LOG) every box, window and change of a
// modeless window is recorded as the scripted windows record it
// (scripted_ui/scripted_ui.h): "message", "window open|close|show|hide|
// unavailable", "text", "progress", "cursor", "clipboard", "forward".
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace platform {

class HeadlessUi : public UserInterface {
 public:
  // `why`: why there is no desktop, for description(); `recordFile`: where
  // the record goes, empty for none.
  HeadlessUi(const std::string& why, const std::string& recordFile);
  // Reads the record file from VELLORA_UI_LOG.
  static HeadlessUi* fromEnvironment(const std::string& why);

  bool interactive() const override { return false; }
  std::string description() const override { return description_; }
  int messageBox(const std::string& text, const std::string& caption, unsigned flags,
                 const Dialog* owner = nullptr) override;
  int runModal(const DialogTemplate& dialog, DialogHandler& handler) override;
  std::unique_ptr<Dialog> openModeless(const DialogTemplate& dialog,
                                       DialogHandler* handler) override;
  SaveAsResult runSaveAs(const SaveAsRequest& request, const DialogTemplate& customArea,
                         DialogHandler& hook) override;
  void setCursor(Cursor cursor) override;
  // Nothing reaches a clipboard, but the text is recorded (false).
  bool copyToClipboard(const std::string& text) override;
  int bringWindowsForward(const std::string& windowClass) override;

  // Writes one event to the record, when there is one.
  void record(const std::vector<std::string>& fields) const;

 private:
  std::string description_;
  std::string recordFile_;
};

}  // namespace platform
