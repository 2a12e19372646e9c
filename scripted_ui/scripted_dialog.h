// One dialog of the scripted user interface: every control's state, kept as
// a real window would keep it, and a geometry modelled on the Windows
// dialogs (dialog units from an 8-point dialog font, the standard part of a
// Save As dialog above its custom area).
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui.h"

namespace platform {

class ScriptedUi;
class ScriptedDialog;

// Whether a dialog still exists; shared with the posters handed out for it.
struct ScriptedPostTarget {
  std::atomic<bool> alive{true};
  ScriptedDialog* dialog = nullptr;  // read on the dialog's thread only
};

// Functions posted from other threads, waiting for the dialog's thread.
struct ScriptedPostHub {
  std::mutex lock;
  std::condition_variable changed;
  std::deque<std::pair<std::shared_ptr<ScriptedPostTarget>, std::function<void(Dialog&)>>> queue;
  int posters = 0;  // handed out and not yet released
};

struct ScriptedControl {
  const ControlTemplate* source = nullptr;
  bool alive = true;
  bool visible = true;
  bool enabled = true;
  bool checked = false;
  std::string text;
  std::vector<std::string> entries;
  int selection = -1;
  PixelRect rect;  // in the dialog's client coordinates
  int low = 0, high = 100, step = 10, position = 0;
};

class ScriptedDialog : public Dialog {
 public:
  enum class Kind { kModal, kModeless, kSaveAsArea, kPage };

  // A top-level dialog (modal, modeless or the custom area of a Save As).
  ScriptedDialog(ScriptedUi& ui, const DialogTemplate& source, Kind kind);
  // A page inside a tab control of `parent`.
  ScriptedDialog(ScriptedDialog& parent, const DialogTemplate& source, int tabControlId,
                 DialogHandler* handler);
  ~ScriptedDialog() override;

  const DialogTemplate& dialogTemplate() const override { return source_; }
  bool hasControl(int id) const override { return find(id) != nullptr; }
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
  void end(int result) override;
  std::string fileName() const override;
  void setFileName(const std::string& name, bool selectAll) override;
  std::string folder() const override;
  int filterIndex() const override;
  void setFilterIndex(int index) override;
  std::unique_ptr<Dialog> createPage(int tabControlId, const DialogTemplate& page,
                                     DialogHandler* handler) override;
  std::shared_ptr<DialogPoster> poster() override;

  // For the scripted user interface.
  Kind kind() const { return kind_; }
  ScriptedControl* find(int id);
  const ScriptedControl* find(int id) const;
  const std::vector<ScriptedControl>& controls() const { return controls_; }
  const std::vector<ScriptedDialog*>& pages() const { return pages_; }
  DialogHandler* handler() const { return handler_; }
  void setHandler(DialogHandler* handler) { handler_ = handler; }
  bool ended() const { return ended_; }
  int result() const { return result_; }
  int bigIcon() const { return top().bigIcon_; }
  // Checks a radio button and clears the others of its group.
  void checkRadio(int id);
  // The Save As dialog's part: set up from the request.
  void setUpSaveAs(const SaveAsRequest& request);
  const SaveAsRequest& saveAsRequest() const { return top().request_; }
  void setFolder(const std::string& folder) { top().folder_ = folder; }
  bool visible() const { return top().visible_; }

 private:
  ScriptedDialog& top();
  const ScriptedDialog& top() const;
  // Where this dialog's client area starts on the screen.
  int originX() const;
  int originY() const;
  // The standard part of a Save As dialog above the custom area.
  PixelRect standardPart() const;
  void buildControls();
  // A modeless window records its changes as they happen.
  bool recordsChanges() const { return kind_ == Kind::kModeless; }

  ScriptedUi& ui_;
  const DialogTemplate& source_;
  Kind kind_;
  ScriptedDialog* parent_ = nullptr;
  DialogHandler* handler_ = nullptr;
  std::vector<ScriptedControl> controls_;
  std::vector<ScriptedDialog*> pages_;
  PixelRect placeInParent_;  // a page's place in its parent's client area
  std::shared_ptr<ScriptedPostTarget> target_;
  bool ended_ = false;
  int result_ = 0;
  // Top-level state.
  PixelRect window_;
  int bigIcon_ = 0;
  bool visible_ = false;
  SaveAsRequest request_;
  std::string fileName_;
  std::string folder_;
  int filterIndex_ = 1;
};

}  // namespace platform
