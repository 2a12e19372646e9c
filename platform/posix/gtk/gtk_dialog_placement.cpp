// Where a dialog and its controls are: dialog units to pixels, places on
// the screen, the window's size and place (with what the window manager
// makes of it), showing and ending the window, and the Save As dialog's
// own fields as its custom area reaches them.
#include "platform/posix/gtk/gtk_dialog.h"

#include <algorithm>

#include "platform/posix/gtk/gtk_layout.h"
#include "platform/posix/gtk/gtk_watch.h"

namespace vlgtk {

namespace {

using platform::PixelRect;

int mulDiv(int value, int numerator, int denominator) {
  long long product = static_cast<long long>(value) * numerator;
  long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator
                                       : (product - half) / denominator);
}

}  // namespace

PixelRect GtkDialogWindow::controlRect(int id) const {
  const GtkControl* c = find(id);
  return c ? c->rect : PixelRect();
}

namespace {

// Where a widget lies in its top-level window, from the allocations alone,
// so that it is known before the window is realized: a widget's allocation
// counts from the nearest ancestor that has a window of its own.
void offsetInToplevel(GtkWidget* widget, int* x, int* y) {
  GtkAllocation a;
  gtk_widget_get_allocation(widget, &a);
  *x = a.x;
  *y = a.y;
  for (GtkWidget* up = gtk_widget_get_parent(widget); up && gtk_widget_get_parent(up);
       up = gtk_widget_get_parent(up)) {
    if (!gtk_widget_get_has_window(up)) continue;
    gtk_widget_get_allocation(up, &a);
    *x += a.x;
    *y += a.y;
  }
}

}  // namespace

PixelRect GtkDialogWindow::clientOnScreen() const try {
  VLGTK_ENTER(ui_, PixelRect());
  PixelRect size = {0, 0, 0, 0};
  if (kind_ == Kind::kPage) {
    if (!parent_) return size;
    PixelRect parentOrigin = parent_->clientOnScreen();
    PixelRect place = layoutChildRect(layout_);
    return {parentOrigin.x + place.x, parentOrigin.y + place.y, place.width, place.height};
  }
  GtkWidget* top = toplevel();
  int x = requested_.x, y = requested_.y;
  GdkWindow* window = top ? gtk_widget_get_window(top) : nullptr;
  if (window && gtk_widget_get_mapped(top) && !ui_.lost()) gdk_window_get_origin(window, &x, &y);
  int dx = 0, dy = 0;
  if (top && top != layout_) offsetInToplevel(layout_, &dx, &dy);
  PixelRect own = toPixels({0, 0, source_.width, source_.height});
  return {x + dx, y + dy, own.width, own.height};
} VLGTK_SURVIVE(ui_, PixelRect())

PixelRect GtkDialogWindow::screenRect(int id) const try {
  VLGTK_ENTER(ui_, PixelRect());
  if (kind_ == Kind::kSaveAsArea && saveAs_ && id == platform::kSaveAsCancelButton) {
    GtkWidget* top = toplevel();
    int x = requested_.x, y = requested_.y;
    GdkWindow* window = gtk_widget_get_window(top);
    if (window && gtk_widget_get_mapped(top) && !ui_.lost()) gdk_window_get_origin(window, &x, &y);
    GtkAllocation a;
    gtk_widget_get_allocation(saveAs_->cancelButton, &a);
    int dx = 0, dy = 0;
    offsetInToplevel(saveAs_->cancelButton, &dx, &dy);
    return {x + dx, y + dy, a.width, a.height};
  }
  PixelRect origin = clientOnScreen();
  if (kind_ == Kind::kSaveAsArea && id == platform::kCustomArea) return origin;
  const GtkControl* c = find(id);
  if (!c) return PixelRect();
  return {origin.x + c->rect.x, origin.y + c->rect.y, c->rect.width, c->rect.height};
} VLGTK_SURVIVE(ui_, PixelRect())

void GtkDialogWindow::moveControl(int id, const PixelRect& rect) try {
  VLGTK_ENTER(ui_, );
  GtkControl* c = find(id);
  if (!c) return;
  c->rect = rect;
  layoutMove(layout_, c->widget, rect);
} VLGTK_SURVIVE(ui_, )

PixelRect GtkDialogWindow::windowRect() const try {
  VLGTK_ENTER(ui_, requested_);
  if (kind_ == Kind::kPage) return parent_ ? parent_->windowRect() : PixelRect();
  GtkWidget* top = toplevel();
  PixelRect rect = requested_;
  int width = 0, height = 0;
  gtk_window_get_size(GTK_WINDOW(top), &width, &height);
  // A size asked for that the display has not confirmed yet counts already,
  // as a Windows window's size does once it was set.
  if (pending_.width > 0) {
    width = pending_.width;
    height = pending_.height;
  }
  GdkWindow* window = gtk_widget_get_window(top);
  if (window && gtk_widget_get_mapped(top)) {
    GdkRectangle frame;
    gdk_window_get_frame_extents(window, &frame);
    // The frame is larger than the client by the window manager's borders.
    width += frame.width - gdk_window_get_width(window);
    height += frame.height - gdk_window_get_height(window);
  }
  rect.width = width;
  rect.height = height;
  return rect;
} VLGTK_SURVIVE(ui_, requested_)

void GtkDialogWindow::setWindowRect(const PixelRect& rect) try {
  VLGTK_ENTER(ui_, );
  if (kind_ == Kind::kPage) {
    if (parent_) parent_->setWindowRect(rect);
    return;
  }
  GtkWidget* top = toplevel();
  PixelRect before = windowRect();
  int clientWidth = 0, clientHeight = 0;
  gtk_window_get_size(GTK_WINDOW(top), &clientWidth, &clientHeight);
  int borderX = before.width - clientWidth;
  int borderY = before.height - clientHeight;
  int width = std::max(1, rect.width - borderX);
  int height = std::max(1, rect.height - borderY);
  if (saveAs_) {
    // The height says how much of the custom area shows; GTK's buttons stay
    // in view below it.
    PixelRect area = clientOnScreen();
    int offset = area.y - before.y;
    int below = before.height - offset - saveAs_->shownHeight;
    int shown = std::max(0, std::min(area.height, rect.height - offset));
    saveAs_->shownHeight = shown;
    gtk_widget_set_size_request(saveAs_->clip, area.width, shown);
    height = std::max(1, offset + shown + below - borderY);
  } else {
    layoutSetSize(layout_, width, height);
  }
  // Window managers keep a window on the screen, and without one nothing
  // would: a window that fits the screen but would reach past its right or
  // bottom edge is moved back onto it.
  platform::ScreenMetrics s = ui_.screen();
  int x = rect.x, y = rect.y;
  if (x >= 0 && x + width + borderX > s.width) x = std::max(0, s.width - width - borderX);
  if (y >= 0 && y + height + borderY > s.height) y = std::max(0, s.height - height - borderY);
  requested_.x = x;
  requested_.y = y;
  gtk_window_move(GTK_WINDOW(top), x, y);
  gtk_window_resize(GTK_WINDOW(top), width, height);
  if (!gtk_widget_get_mapped(top)) {
    layOut();
    return;
  }
  // GTK keeps a window at least as large as its contents need.
  GtkRequisition minimum;
  gtk_widget_get_preferred_size(top, &minimum, nullptr);
  sizeBefore_ = {0, 0, clientWidth, clientHeight};
  pending_ = {0, 0, std::max(width, minimum.width), std::max(height, minimum.height)};
} VLGTK_SURVIVE(ui_, )

void GtkDialogWindow::noteMoved() {
  // Where the user (or the window manager) put the window.
  GtkWidget* top = toplevel();
  GdkWindow* window = top ? gtk_widget_get_window(top) : nullptr;
  if (!window || !gtk_widget_get_mapped(top)) return;
  GdkRectangle frame;
  gdk_window_get_frame_extents(window, &frame);
  requested_.x = frame.x;
  requested_.y = frame.y;
  // The size asked for has arrived (or the window manager chose another).
  int width = gdk_window_get_width(window), height = gdk_window_get_height(window);
  if ((width == pending_.width && height == pending_.height) ||
      width != sizeBefore_.width || height != sizeBefore_.height)
    pending_ = PixelRect();
}

void GtkDialogWindow::layOut() {
  GtkWidget* top = toplevel();
  if (!top || gtk_widget_get_mapped(top)) return;
  int width = 0, height = 0;
  gtk_window_get_size(GTK_WINDOW(top), &width, &height);
  GtkRequisition minimum;
  gtk_widget_get_preferred_size(top, &minimum, nullptr);
  GtkAllocation all = {0, 0, std::max(width, minimum.width), std::max(height, minimum.height)};
  gtk_widget_size_allocate(top, &all);
}

PixelRect GtkDialogWindow::toPixels(const platform::DialogUnits& units) const {
  const BaseUnits& base = ui_.baseUnits();
  return {mulDiv(units.x, base.x, 4), mulDiv(units.y, base.y, 8), mulDiv(units.width, base.x, 4),
          mulDiv(units.height, base.y, 8)};
}

void GtkDialogWindow::setBigIcon(int resourceId) try {
  VLGTK_ENTER(ui_, );
  if (kind_ == Kind::kPage) {
    if (parent_) parent_->setBigIcon(resourceId);
    return;
  }
  bigIcon_ = resourceId;
  if (GdkPixbuf* icon = ui_.image(resourceId, 0, 0)) {
    gtk_window_set_icon(GTK_WINDOW(toplevel()), icon);
    g_object_unref(icon);
  }
} VLGTK_SURVIVE(ui_, )

void GtkDialogWindow::showWindow(bool visible) try {
  VLGTK_ENTER(ui_, );
  if (kind_ == Kind::kPage) {
    if (parent_) parent_->showWindow(visible);
    return;
  }
  GtkWidget* top = toplevel();
  if (visible == gtk_widget_get_visible(top)) return;
  if (!visible) {
    gtk_widget_hide(top);
    return;
  }
  gtk_widget_show(top);
  if (source_.style & platform::kDialogForeground) gtk_window_present(GTK_WINDOW(top));
  if (kind_ == Kind::kModeless) ui_.host().record({"window", "show", std::to_string(source_.id)});
} VLGTK_SURVIVE(ui_, )

void GtkDialogWindow::bringToFront() try {
  VLGTK_ENTER(ui_, );
  GtkWidget* top = toplevel();
  if (!top) return;
  gtk_window_set_keep_above(GTK_WINDOW(top), TRUE);
  gtk_window_present(GTK_WINDOW(top));
} VLGTK_SURVIVE(ui_, )

void GtkDialogWindow::repaint() try {
  VLGTK_ENTER(ui_, );
  if (GtkWidget* top = toplevel()) paintNow(top, 200);
} VLGTK_SURVIVE(ui_, )

void GtkDialogWindow::end(int result) {
  if (kind_ == Kind::kPage) {
    if (parent_) parent_->end(result);
    return;
  }
  if (ended_) return;
  ended_ = true;
  result_ = result;
  if (context_) ui_.endLoop(*context_);
}

std::string GtkDialogWindow::fileName() const {
  if (kind_ == Kind::kPage) return parent_ ? parent_->fileName() : std::string();
  if (!saveAs_) return std::string();
  gchar* name = gtk_file_chooser_get_current_name(GTK_FILE_CHOOSER(saveAs_->dialog));
  std::string text = name ? name : "";
  g_free(name);
  return text;
}

void GtkDialogWindow::setFileName(const std::string& name, bool selectAll) try {
  VLGTK_ENTER(ui_, );
  if (kind_ == Kind::kPage) {
    if (parent_) parent_->setFileName(name, selectAll);
    return;
  }
  if (!saveAs_) return;
  Quiet quiet(*this);
  gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(saveAs_->dialog), toUtf8(name).c_str());
  if (selectAll) selectWholeName(saveAs_->dialog);
} VLGTK_SURVIVE(ui_, )

std::string GtkDialogWindow::folder() const {
  if (kind_ == Kind::kPage) return parent_ ? parent_->folder() : std::string();
  if (!saveAs_) return std::string();
  gchar* folder = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(saveAs_->dialog));
  std::string text = folder ? folder : "";
  g_free(folder);
  return text;
}

int GtkDialogWindow::filterIndex() const {
  if (kind_ == Kind::kPage) return parent_ ? parent_->filterIndex() : 1;
  if (!saveAs_) return 1;
  GtkFileFilter* current = gtk_file_chooser_get_filter(GTK_FILE_CHOOSER(saveAs_->dialog));
  for (std::size_t i = 0; i < saveAs_->filters.size(); ++i)
    if (saveAs_->filters[i] == current) return static_cast<int>(i) + 1;
  return 1;
}

void GtkDialogWindow::setFilterIndex(int index) try {
  VLGTK_ENTER(ui_, );
  if (kind_ == Kind::kPage) {
    if (parent_) parent_->setFilterIndex(index);
    return;
  }
  if (!saveAs_ || index < 1 || index > static_cast<int>(saveAs_->filters.size())) return;
  Quiet quiet(*this);
  gtk_file_chooser_set_filter(GTK_FILE_CHOOSER(saveAs_->dialog),
                              saveAs_->filters[static_cast<std::size_t>(index - 1)]);
} VLGTK_SURVIVE(ui_, )

}  // namespace vlgtk
