// Building a dialog from its template: its widgets, their events, the
// window or page that holds them, and the dialog's lifetime.
#include "platform/posix/gtk/gtk_dialog.h"

#include <algorithm>
#include <utility>

#include "platform/posix/gtk/gtk_layout.h"
#include "platform/posix/gtk/gtk_watch.h"
#include "platform/ui_text.h"

namespace vlgtk {

namespace {

using platform::ControlKind;
using platform::PixelRect;

// A drop-down list's template height includes its opened list; closed, it is
// as high as Windows makes it for the dialog font.
constexpr int kClosedListUnits = 13;
// The style class our own dialogs' CSS (gtk_module.cpp) applies to.
constexpr const char kStyleClass[] = "vellora-dialog";

void onClicked(GtkWidget*, gpointer data) {
  auto* control = static_cast<GtkControl*>(data);
  GtkDialogWindow* dialog = control->owner;
  if (dialog->quiet() || !dialog->handler() || dialog->ui().lost()) return;
  dialog->handler()->clicked(*dialog, control->source->id);
}

void onListChanged(GtkComboBox*, gpointer data) {
  auto* control = static_cast<GtkControl*>(data);
  GtkDialogWindow* dialog = control->owner;
  if (dialog->quiet() || !dialog->handler() || dialog->ui().lost()) return;
  dialog->handler()->selectionChanged(*dialog, control->source->id);
}

void onTabSwitched(GtkNotebook*, GtkWidget*, guint, gpointer data) {
  auto* control = static_cast<GtkControl*>(data);
  GtkDialogWindow* dialog = control->owner;
  if (dialog->quiet() || !dialog->handler() || dialog->ui().lost()) return;
  dialog->handler()->tabChanged(*dialog, control->source->id);
}

// Escape and the close box are the close command, as Windows sends IDCANCEL.
gboolean onDelete(GtkWidget*, GdkEvent*, gpointer data) {
  auto* dialog = static_cast<GtkDialogWindow*>(data);
  if (!dialog->quiet() && dialog->handler() && !dialog->ui().lost())
    dialog->handler()->clicked(*dialog, platform::kCloseCommand);
  return TRUE;
}

gboolean onKey(GtkWidget* widget, GdkEventKey* event, gpointer data) {
  if (event->keyval != GDK_KEY_Escape) return FALSE;
  onDelete(widget, nullptr, data);
  return TRUE;
}

gboolean onConfigure(GtkWidget*, GdkEventConfigure*, gpointer data) {
  static_cast<GtkDialogWindow*>(data)->noteMoved();
  return FALSE;
}

class GtkPoster : public platform::DialogPoster {
 public:
  GtkPoster(GtkUi& ui, std::shared_ptr<PostTarget> target) : ui_(ui), target_(std::move(target)) {
    ++ui_.posters;
  }
  ~GtkPoster() override { --ui_.posters; }

  bool post(std::function<void(platform::Dialog&)> fn) override {
    if (!target_->alive) return false;
    ++ui_.pendingPosts;
    auto* item = new Item{&ui_, target_, std::move(fn)};
    g_idle_add_full(G_PRIORITY_DEFAULT, run, item, nullptr);
    return true;
  }

 private:
  struct Item {
    GtkUi* ui;
    std::shared_ptr<PostTarget> target;
    std::function<void(platform::Dialog&)> fn;
  };
  static gboolean run(gpointer data) {
    std::unique_ptr<Item> item(static_cast<Item*>(data));
    // Dialogs live on this thread, so one alive now stays alive while its
    // function runs.
    if (item->target->alive && item->target->dialog && !item->ui->lost())
      item->fn(*item->target->dialog);
    --item->ui->pendingPosts;
    return G_SOURCE_REMOVE;
  }

  GtkUi& ui_;
  std::shared_ptr<PostTarget> target_;
};

}  // namespace

GtkDialogWindow::GtkDialogWindow(GtkUi& ui, const platform::DialogTemplate& source, Kind kind,
                                 platform::DialogHandler* handler, SaveAsParts* saveAs)
    : ui_(ui),
      source_(source),
      kind_(kind),
      handler_(handler),
      saveAs_(saveAs),
      target_(std::make_shared<PostTarget>()) {
  target_->dialog = this;
  PixelRect client = toPixels({0, 0, source_.width, source_.height});
  layout_ = layoutNew(client.width, client.height);
  gtk_style_context_add_class(gtk_widget_get_style_context(layout_), kStyleClass);
  buildControls();
  if (kind_ != Kind::kSaveAsArea) placeTopLevel();
}

GtkDialogWindow::GtkDialogWindow(GtkDialogWindow& parent, const platform::DialogTemplate& source,
                                 int tabControlId, platform::DialogHandler* handler)
    : ui_(parent.ui_),
      source_(source),
      kind_(Kind::kPage),
      parent_(&parent),
      tabControlId_(tabControlId),
      handler_(handler),
      target_(std::make_shared<PostTarget>()) {
  target_->dialog = this;
  PixelRect size = toPixels({0, 0, source_.width, source_.height});
  layout_ = layoutNew(size.width, size.height);
  gtk_style_context_add_class(gtk_widget_get_style_context(layout_), kStyleClass);
  buildControls();
  placeInParent_ = pageRectInParent(tabControlId);
  placeInParent_.width = size.width;
  placeInParent_.height = size.height;
  layoutPut(parent.layout_, layout_, placeInParent_);
  if (const GtkControl* tabs = parent.find(tabControlId))
    layoutFollowNotebook(layout_, tabs->widget);
  gtk_widget_show(layout_);
  parent.pages_.push_back(this);
}

GtkDialogWindow::~GtkDialogWindow() {
  target_->alive = false;
  target_->dialog = nullptr;
  if (parent_) {
    auto& siblings = parent_->pages_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  for (GtkDialogWindow* page : pages_) page->parent_ = nullptr;
  // Once the display is gone GTK must not be called at all.
  if (ui_.lost()) return;
  try {
    GtkUi::Entry entry(ui_);
    for (auto& control : controls_) {
      if (control->alive) g_signal_handlers_disconnect_by_data(control->widget, control.get());
      if (control->noneRadio) g_object_unref(control->noneRadio);
    }
    if (kind_ == Kind::kModeless && window_ && ui_.driver()) ui_.driver()->windowClosing(*this);
    if (window_) {
      g_signal_handlers_disconnect_by_data(window_, this);
      ui_.removeWindow(window_);
      gtk_widget_destroy(window_);
    } else if (kind_ == Kind::kPage && layout_) {
      gtk_widget_destroy(layout_);
    }
  } catch (const DisplayLost&) {
    // Its windows went with the display.
  }
}

void GtkDialogWindow::buildControls() {
  GSList* radioGroup = nullptr;
  GtkWidget* noneRadio = nullptr;
  GtkWidget* defaultButton = nullptr;
  for (std::size_t i = 0; i < source_.controlCount; ++i) {
    const platform::ControlTemplate& c = source_.controls[i];
    std::unique_ptr<GtkControl> control(new GtkControl);
    control->owner = this;
    control->source = &c;
    control->rect = toPixels(c.rect);
    if (c.kind == ControlKind::kDropDownList)
      control->rect.height = std::min(control->rect.height, toPixels({0, 0, 0, kClosedListUnits}).height);
    if (c.kind != ControlKind::kRadioButton) radioGroup = nullptr;
    control->widget = makeWidget(*control, &radioGroup, &noneRadio);
    if (c.kind == ControlKind::kPushButton && (c.style & platform::kStyleDefaultButton))
      defaultButton = control->widget;
    layoutPut(layout_, control->widget, control->rect);
    if (!(c.style & platform::kStyleHidden)) gtk_widget_show(control->widget);
    if (c.style & platform::kStyleDisabled) gtk_widget_set_sensitive(control->widget, FALSE);
    connectEvents(*control);
    controls_.push_back(std::move(control));
  }
  if (defaultButton) {
    gtk_widget_set_can_default(defaultButton, TRUE);
    g_object_set_data(G_OBJECT(layout_), "vellora-default-button", defaultButton);
  }
}

GtkWidget* GtkDialogWindow::makeWidget(GtkControl& control, GSList** radioGroup,
                                       GtkWidget** noneRadio) {
  const platform::ControlTemplate& c = *control.source;
  std::string label = mnemonicLabel(c.text);
  GtkWidget* w = nullptr;
  switch (c.kind) {
    case ControlKind::kCheckBox:
      w = gtk_check_button_new_with_mnemonic(label.c_str());
      ellipsizeChildLabel(w);
      break;
    case ControlKind::kRadioButton:
      if (!*radioGroup || (c.style & platform::kStyleGroup)) {
        // GTK always keeps one radio of a group checked; Windows may have
        // none checked. A hidden member stands for "none".
        *noneRadio = gtk_radio_button_new(nullptr);
        g_object_ref_sink(*noneRadio);  // the group's first radio holds this reference
        *radioGroup = gtk_radio_button_get_group(GTK_RADIO_BUTTON(*noneRadio));
        control.noneRadio = *noneRadio;
      } else {
        control.noneRadio = *noneRadio;
        g_object_ref(*noneRadio);
      }
      w = gtk_radio_button_new_with_mnemonic(*radioGroup, label.c_str());
      *radioGroup = gtk_radio_button_get_group(GTK_RADIO_BUTTON(w));
      ellipsizeChildLabel(w);
      break;
    case ControlKind::kStatic: {
      w = gtk_label_new(nullptr);
      gtk_label_set_text_with_mnemonic(GTK_LABEL(w), label.c_str());
      float x = (c.style & platform::kStyleCentred) ? 0.5f : (c.style & platform::kStyleRight) ? 1.0f : 0.0f;
      gtk_label_set_xalign(GTK_LABEL(w), x);
      gtk_label_set_yalign(GTK_LABEL(w), 0.0f);
      gtk_label_set_justify(GTK_LABEL(w), x == 0.5f ? GTK_JUSTIFY_CENTER
                                                    : x == 1.0f ? GTK_JUSTIFY_RIGHT : GTK_JUSTIFY_LEFT);
      gtk_label_set_line_wrap(GTK_LABEL(w), TRUE);
      gtk_label_set_line_wrap_mode(GTK_LABEL(w), PANGO_WRAP_WORD_CHAR);
      break;
    }
    case ControlKind::kEdit:
    case ControlKind::kPasswordEdit:
      w = gtk_entry_new();
      gtk_entry_set_width_chars(GTK_ENTRY(w), 1);
      gtk_entry_set_activates_default(GTK_ENTRY(w), TRUE);
      if (c.kind == ControlKind::kPasswordEdit) {
        gtk_entry_set_visibility(GTK_ENTRY(w), FALSE);
        gtk_entry_set_input_purpose(GTK_ENTRY(w), GTK_INPUT_PURPOSE_PASSWORD);
      }
      gtk_entry_set_text(GTK_ENTRY(w), toUtf8(c.text ? c.text : "").c_str());
      break;
    case ControlKind::kDropDownList: {
      w = gtk_combo_box_text_new();
      GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(w));
      for (GList* cell = cells; cell; cell = cell->next)
        g_object_set(cell->data, "ellipsize", PANGO_ELLIPSIZE_END, nullptr);
      g_list_free(cells);
      break;
    }
    case ControlKind::kPushButton:
      w = gtk_button_new_with_mnemonic(label.c_str());
      ellipsizeChildLabel(w);
      break;
    case ControlKind::kGroupBox:
      w = gtk_frame_new(toUtf8(platform::readableCaption(c.text)).c_str());
      break;
    case ControlKind::kTabControl:
      w = gtk_notebook_new();
      gtk_notebook_set_scrollable(GTK_NOTEBOOK(w), TRUE);
      break;
    case ControlKind::kProgressBar:
      w = gtk_progress_bar_new();
      break;
    case ControlKind::kBitmap: {
      GdkPixbuf* image = ui_.image(c.resource, control.rect.width, control.rect.height);
      w = image ? gtk_image_new_from_pixbuf(image) : gtk_image_new();
      if (image) g_object_unref(image);
      break;
    }
  }
  return w;
}

void GtkDialogWindow::connectEvents(GtkControl& control) {
  switch (control.source->kind) {
    case ControlKind::kCheckBox:
    case ControlKind::kRadioButton:
    case ControlKind::kPushButton:
      g_signal_connect(control.widget, "clicked", G_CALLBACK(onClicked), &control);
      break;
    case ControlKind::kDropDownList:
      g_signal_connect(control.widget, "changed", G_CALLBACK(onListChanged), &control);
      break;
    case ControlKind::kTabControl:
      g_signal_connect_after(control.widget, "switch-page", G_CALLBACK(onTabSwitched), &control);
      break;
    default:
      break;
  }
}

void GtkDialogWindow::placeTopLevel() {
  const platform::ScreenMetrics s = ui_.screen();
  PixelRect client = toPixels({0, 0, source_.width, source_.height});
  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window_), toUtf8(source_.caption ? source_.caption : "").c_str());
  gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
  bool framed = (source_.style & platform::kDialogCaption) != 0;
  gtk_window_set_decorated(GTK_WINDOW(window_), framed);
  gtk_window_set_type_hint(GTK_WINDOW(window_), framed ? GDK_WINDOW_TYPE_HINT_DIALOG
                                                       : GDK_WINDOW_TYPE_HINT_SPLASHSCREEN);
  if (source_.style & platform::kDialogTopmost) gtk_window_set_keep_above(GTK_WINDOW(window_), TRUE);
  if (kind_ == Kind::kModal) gtk_window_set_modal(GTK_WINDOW(window_), TRUE);
  gtk_container_add(GTK_CONTAINER(window_), layout_);
  gtk_widget_show(layout_);
  if (auto* button = static_cast<GtkWidget*>(g_object_get_data(G_OBJECT(layout_), "vellora-default-button")))
    gtk_window_set_default(GTK_WINDOW(window_), button);
  requested_ = {0, 0, client.width, client.height};
  if (source_.style & platform::kDialogCentred) {
    requested_.x = std::max(0, (s.width - client.width) / 2);
    requested_.y = std::max(0, (s.height - client.height) / 2);
  }
  gtk_window_move(GTK_WINDOW(window_), requested_.x, requested_.y);
  g_signal_connect(window_, "delete-event", G_CALLBACK(onDelete), this);
  g_signal_connect(window_, "key-press-event", G_CALLBACK(onKey), this);
  g_signal_connect(window_, "configure-event", G_CALLBACK(onConfigure), this);
  ui_.addWindow(window_);
  watchMapped(ui_.host(), source_.id, window_);
}

GtkWidget* GtkDialogWindow::toplevel() const {
  if (window_) return window_;
  if (saveAs_) return saveAs_->dialog;
  return parent_ ? parent_->toplevel() : nullptr;
}

GtkControl* GtkDialogWindow::find(int id) {
  for (auto& c : controls_)
    if (c->alive && c->source->id == id) return c.get();
  return nullptr;
}

const GtkControl* GtkDialogWindow::find(int id) const {
  for (const auto& c : controls_)
    if (c->alive && c->source->id == id) return c.get();
  return nullptr;
}

std::vector<const platform::Dialog*> GtkDialogWindow::pages() const {
  return std::vector<const platform::Dialog*>(pages_.begin(), pages_.end());
}

PixelRect GtkDialogWindow::pageRectInParent(int tabControlId) const {
  // Until GTK places it over the tab control's display area: just below the
  // row of tabs.
  const GtkControl* tabs = parent_ ? parent_->find(tabControlId) : nullptr;
  if (!tabs) return PixelRect();
  int tabRow = toPixels({0, 0, 0, 14}).height;
  return {tabs->rect.x + 2, tabs->rect.y + tabRow, 0, 0};
}

std::unique_ptr<platform::Dialog> GtkDialogWindow::createPage(int tabControlId,
                                                              const platform::DialogTemplate& page,
                                                              platform::DialogHandler* handler) try {
  VLGTK_ENTER(ui_, nullptr);
  std::unique_ptr<GtkDialogWindow> created(new GtkDialogWindow(*this, page, tabControlId, handler));
  if (handler) handler->initialised(*created);
  return std::unique_ptr<platform::Dialog>(created.release());
} VLGTK_SURVIVE(ui_, nullptr)

std::shared_ptr<platform::DialogPoster> GtkDialogWindow::poster() {
  return std::make_shared<GtkPoster>(ui_, target_);
}

void ellipsizeChildLabel(GtkWidget* button) {
  GtkWidget* label = gtk_bin_get_child(GTK_BIN(button));
  if (label && GTK_IS_LABEL(label)) gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
}

GtkWidget* findWidget(GtkWidget* root, const std::function<bool(GtkWidget*)>& matches,
                      GtkWidget* skip) {
  if (root == skip) return nullptr;
  if (matches(root)) return root;
  if (!GTK_IS_CONTAINER(root)) return nullptr;
  GtkWidget* found = nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(root));
  for (GList* child = children; child && !found; child = child->next)
    found = findWidget(GTK_WIDGET(child->data), matches, skip);
  g_list_free(children);
  return found;
}

}  // namespace vlgtk
