// The user interface where nobody can be asked: no desktop and no script.
// Every question takes its safe answer, the one that neither replaces, joins
// nor sends anything: No for Yes/No, Cancel where there is one, Abort for
// Abort/Retry/Ignore, else OK. Dialogs cannot be shown (runModal returns
// kDialogUnavailable, runSaveAs kUnavailable).
#pragma once

#include <memory>
#include <string>

#include "platform/ui.h"

namespace platform {

class HeadlessUi : public UserInterface {
 public:
  // `why`: why nobody can be asked, for description().
  explicit HeadlessUi(const std::string& why);

  bool interactive() const override { return false; }
  std::string description() const override { return description_; }
  int messageBox(const std::string& text, const std::string& caption, unsigned flags,
                 const Dialog* owner = nullptr) override;
  int runModal(const DialogTemplate& dialog, DialogHandler& handler) override;
  std::unique_ptr<Dialog> openModeless(const DialogTemplate& dialog,
                                       DialogHandler* handler) override;
  SaveAsResult runSaveAs(const SaveAsRequest& request, const DialogTemplate& customArea,
                         DialogHandler& hook) override;
  void setCursor(Cursor) override {}
  bool copyToClipboard(const std::string&) override { return false; }
  int bringWindowsForward(const std::string&) override { return 0; }

 private:
  std::string description_;
};

}  // namespace platform
