// One dialog built from its template as GTK widgets: a top-level window
// (modal or modeless), the custom area of a Save As dialog, or a page
// inside a tab control. Controls sit where their template puts them, in
// dialog units turned into pixels from the dialog font.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/gtk/gtk_ui.h"
#include "platform/ui.h"

namespace vlgtk {

class GtkDialogWindow;
struct SaveAsParts;

struct GtkControl {
  GtkDialogWindow* owner = nullptr;
  const platform::ControlTemplate* source = nullptr;
  GtkWidget* widget = nullptr;
  // A radio group's hidden member, checked when none of the others is.
  GtkWidget* noneRadio = nullptr;
  platform::PixelRect rect;  // in the dialog's client coordinates
  int low = 0, high = 100, step = 10, position = 0;
  bool alive = true;
};

// Whether a dialog still exists; shared with the posters handed out for it.
struct PostTarget {
  std::atomic<bool> alive{true};
  GtkDialogWindow* dialog = nullptr;  // read on the dialog's thread only
};

class GtkDialogWindow : public platform::Dialog {
 public:
  enum class Kind { kModal, kModeless, kSaveAsArea, kPage };

  // A top-level window, or (kSaveAsArea) the custom area of `saveAs`.
  GtkDialogWindow(GtkUi& ui, const platform::DialogTemplate& source, Kind kind,
                  platform::DialogHandler* handler, SaveAsParts* saveAs = nullptr);
  // A page inside a tab control of `parent`.
  GtkDialogWindow(GtkDialogWindow& parent, const platform::DialogTemplate& source,
                  int tabControlId, platform::DialogHandler* handler);
  ~GtkDialogWindow() override;

  const platform::DialogTemplate& dialogTemplate() const override { return source_; }
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
  platform::PixelRect controlRect(int id) const override;
  platform::PixelRect screenRect(int id) const override;
  void moveControl(int id, const platform::PixelRect& rect) override;
  platform::PixelRect windowRect() const override;
  void setWindowRect(const platform::PixelRect& rect) override;
  platform::PixelRect toPixels(const platform::DialogUnits& units) const override;
  platform::ScreenMetrics screen() const override { return ui_.screen(); }
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
  std::unique_ptr<platform::Dialog> createPage(int tabControlId,
                                               const platform::DialogTemplate& page,
                                               platform::DialogHandler* handler) override;
  std::shared_ptr<platform::DialogPoster> poster() override;

  // For the user interface and the driver.
  Kind kind() const { return kind_; }
  GtkUi& ui() { return ui_; }
  GtkWidget* layout() const { return layout_; }
  // The top-level window the dialog lives in.
  GtkWidget* toplevel() const;
  GtkControl* find(int id);
  const GtkControl* find(int id) const;
  const std::vector<std::unique_ptr<GtkControl>>& controls() const { return controls_; }
  std::vector<const platform::Dialog*> pages() const;
  std::vector<GtkDialogWindow*> livePages() const { return pages_; }
  platform::DialogHandler* handler() const { return handler_; }
  SaveAsParts* saveAs() const { return saveAs_; }
  bool ended() const { return ended_; }
  int result() const { return result_; }
  int bigIcon() const { return bigIcon_; }
  void setContext(ModalContext* context) { context_ = context; }

  // Program changes make no events: only what the user does does.
  bool quiet() const { return quiet_ > 0; }
  struct Quiet {
    explicit Quiet(GtkDialogWindow& d) : dialog(d) { ++dialog.quiet_; }
    ~Quiet() { --dialog.quiet_; }
    GtkDialogWindow& dialog;
  };

  // Where the client area's top left corner is on the screen.
  platform::PixelRect clientOnScreen() const;
  // Lays the window out now (before it is shown, too), so that positions
  // can be read.
  void layOut();
  // The window was moved or sized (configure-event).
  void noteMoved();
  // A Save As dialog's custom area: where the window starts.
  void setRequestedPlace(const platform::PixelRect& rect) { requested_ = rect; }

 private:
  void buildControls();
  GtkWidget* makeWidget(GtkControl& control, GSList** radioGroup, GtkWidget** noneRadio);
  void placeTopLevel();
  void connectEvents(GtkControl& control);
  platform::PixelRect pageRectInParent(int tabControlId) const;

  GtkUi& ui_;
  const platform::DialogTemplate& source_;
  Kind kind_;
  GtkDialogWindow* parent_ = nullptr;
  int tabControlId_ = 0;
  platform::DialogHandler* handler_ = nullptr;
  SaveAsParts* saveAs_ = nullptr;
  GtkWidget* window_ = nullptr;  // own top-level window (modal, modeless)
  GtkWidget* layout_ = nullptr;
  std::vector<std::unique_ptr<GtkControl>> controls_;
  std::vector<GtkDialogWindow*> pages_;
  std::shared_ptr<PostTarget> target_;
  ModalContext* context_ = nullptr;
  platform::PixelRect placeInParent_;  // a page's place in its parent's client area
  platform::PixelRect requested_;      // the window rect last set
  // The client size last asked of a shown window, until the display
  // confirms it, and the size it had before.
  platform::PixelRect pending_;
  platform::PixelRect sizeBefore_;
  int quiet_ = 0;
  bool ended_ = false;
  int result_ = 0;
  int bigIcon_ = 0;
};

// The parts of the system's Save As dialog that the custom area's handle
// reaches.
struct SaveAsParts {
  GtkWidget* dialog = nullptr;       // the GtkFileChooserDialog
  GtkWidget* clip = nullptr;         // holds the custom area; its height shows part of it
  GtkWidget* saveButton = nullptr;
  GtkWidget* cancelButton = nullptr;
  std::vector<GtkFileFilter*> filters;
  platform::SaveAsRequest request;
  int shownHeight = 0;               // of the custom area
};

// The first widget at or below root that matches, depth first; the branch
// at skip is passed over. GTK's own dialogs are searched this way for parts
// they do not hand out.
GtkWidget* findWidget(GtkWidget* root, const std::function<bool(GtkWidget*)>& matches,
                      GtkWidget* skip = nullptr);

// Long texts are cut with an ellipsis rather than making a control wider
// than its template allows.
void ellipsizeChildLabel(GtkWidget* button);

}  // namespace vlgtk
