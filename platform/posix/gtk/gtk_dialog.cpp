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

int mulDiv(int value, int numerator, int denominator) {
  long long product = static_cast<long long>(value) * numerator;
  long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator
                                       : (product - half) / denominator);
}

bool isList(ControlKind kind) {
  return kind == ControlKind::kDropDownList || kind == ControlKind::kTabControl;
}

// Long texts are cut with an ellipsis rather than making a control wider
// than its template allows.
void ellipsizeChildLabel(GtkWidget* button) {
  GtkWidget* label = gtk_bin_get_child(GTK_BIN(button));
  if (label && GTK_IS_LABEL(label)) gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
}

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

bool GtkDialogWindow::isChecked(int id) const {
  const GtkControl* c = find(id);
  if (!c || !GTK_IS_TOGGLE_BUTTON(c->widget)) return false;
  return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(c->widget));
}

void GtkDialogWindow::setChecked(int id, bool checked) try {
  VLGTK_ENTER(ui_, );
  GtkControl* c = find(id);
  if (!c || !GTK_IS_TOGGLE_BUTTON(c->widget)) return;
  Quiet quiet(*this);
  if (!checked && c->noneRadio) {
    if (isChecked(id)) gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(c->noneRadio), TRUE);
    return;
  }
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(c->widget), checked);
} VLGTK_SURVIVE(ui_, )

std::string GtkDialogWindow::text(int id) const {
  const GtkControl* c = find(id);
  if (!c) return std::string();
  switch (c->source->kind) {
    case ControlKind::kDropDownList:
    case ControlKind::kTabControl:
      return listEntry(id, selection(id));
    case ControlKind::kEdit:
    case ControlKind::kPasswordEdit:
      return gtk_entry_get_text(GTK_ENTRY(c->widget));
    case ControlKind::kStatic: {
      // The text as set, with its access-key mark, as Windows gives it back.
      const char* text = static_cast<const char*>(g_object_get_data(G_OBJECT(c->widget), "vellora-text"));
      return text ? text : (c->source->text ? c->source->text : "");
    }
    case ControlKind::kGroupBox:
      return gtk_frame_get_label(GTK_FRAME(c->widget)) ? gtk_frame_get_label(GTK_FRAME(c->widget)) : "";
    case ControlKind::kCheckBox:
    case ControlKind::kRadioButton:
    case ControlKind::kPushButton: {
      const char* text = static_cast<const char*>(g_object_get_data(G_OBJECT(c->widget), "vellora-text"));
      return text ? text : (c->source->text ? c->source->text : "");
    }
    default:
      return std::string();
  }
}

void GtkDialogWindow::setText(int id, const std::string& text) try {
  VLGTK_ENTER(ui_, );
  GtkControl* c = find(id);
  if (!c) return;
  Quiet quiet(*this);
  std::string label = mnemonicLabel(text.c_str());
  switch (c->source->kind) {
    case ControlKind::kEdit:
    case ControlKind::kPasswordEdit:
      gtk_entry_set_text(GTK_ENTRY(c->widget), toUtf8(text).c_str());
      break;
    case ControlKind::kStatic:
      gtk_label_set_text_with_mnemonic(GTK_LABEL(c->widget), label.c_str());
      g_object_set_data_full(G_OBJECT(c->widget), "vellora-text", g_strdup(text.c_str()), g_free);
      break;
    case ControlKind::kCheckBox:
    case ControlKind::kRadioButton:
    case ControlKind::kPushButton:
      gtk_button_set_label(GTK_BUTTON(c->widget), label.c_str());
      gtk_button_set_use_underline(GTK_BUTTON(c->widget), TRUE);
      ellipsizeChildLabel(c->widget);
      g_object_set_data_full(G_OBJECT(c->widget), "vellora-text", g_strdup(text.c_str()), g_free);
      break;
    case ControlKind::kGroupBox:
      gtk_frame_set_label(GTK_FRAME(c->widget), toUtf8(platform::readableCaption(text.c_str())).c_str());
      break;
    default:
      break;
  }
  if (kind_ == Kind::kModeless)
    ui_.host().record({"text", std::to_string(source_.id), std::to_string(id), text});
} VLGTK_SURVIVE(ui_, )

void GtkDialogWindow::clearList(int id) try {
  VLGTK_ENTER(ui_, );
  GtkControl* c = find(id);
  if (!c) return;
  Quiet quiet(*this);
  if (c->source->kind == ControlKind::kDropDownList) {
    gtk_combo_box_text_remove_all(GTK_COMBO_BOX_TEXT(c->widget));
  } else if (c->source->kind == ControlKind::kTabControl) {
    GtkNotebook* tabs = GTK_NOTEBOOK(c->widget);
    while (gtk_notebook_get_n_pages(tabs) > 0) gtk_notebook_remove_page(tabs, -1);
  }
} VLGTK_SURVIVE(ui_, )

int GtkDialogWindow::addListEntry(int id, const std::string& text) try {
  VLGTK_ENTER(ui_, -1);
  GtkControl* c = find(id);
  if (!c || !isList(c->source->kind)) return -1;
  Quiet quiet(*this);
  std::string shown = toUtf8(text);
  if (c->source->kind == ControlKind::kTabControl) {
    // The tab's page is an empty area: the option page lies over it.
    GtkWidget* area = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_widget_show(area);
    GtkWidget* label = gtk_label_new(nullptr);
    gtk_label_set_text_with_mnemonic(GTK_LABEL(label), mnemonicLabel(text.c_str()).c_str());
    return gtk_notebook_append_page(GTK_NOTEBOOK(c->widget), area, label);
  }
  int index = listCount(id);
  if (c->source->style & platform::kStyleSorted) {
    std::string key = platform::lowerText(text);
    for (int i = 0; i < index; ++i) {
      if (platform::lowerText(listEntry(id, i)) > key) {
        gtk_combo_box_text_insert_text(GTK_COMBO_BOX_TEXT(c->widget), i, shown.c_str());
        return i;
      }
    }
  }
  gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(c->widget), shown.c_str());
  return index;
} VLGTK_SURVIVE(ui_, -1)

int GtkDialogWindow::listCount(int id) const {
  const GtkControl* c = find(id);
  if (!c) return 0;
  if (c->source->kind == ControlKind::kTabControl)
    return gtk_notebook_get_n_pages(GTK_NOTEBOOK(c->widget));
  if (c->source->kind != ControlKind::kDropDownList) return 0;
  GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(c->widget));
  return model ? gtk_tree_model_iter_n_children(model, nullptr) : 0;
}

std::string GtkDialogWindow::listEntry(int id, int index) const {
  const GtkControl* c = find(id);
  if (!c || index < 0 || index >= listCount(id)) return std::string();
  if (c->source->kind == ControlKind::kTabControl) {
    GtkWidget* page = gtk_notebook_get_nth_page(GTK_NOTEBOOK(c->widget), index);
    const char* text = gtk_notebook_get_tab_label_text(GTK_NOTEBOOK(c->widget), page);
    return platform::readableCaption(text ? std::string(text).c_str() : "");
  }
  GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(c->widget));
  GtkTreeIter iter;
  if (!gtk_tree_model_iter_nth_child(model, &iter, nullptr, index)) return std::string();
  gchar* text = nullptr;
  gtk_tree_model_get(model, &iter, 0, &text, -1);
  std::string entry = text ? text : "";
  g_free(text);
  return entry;
}

int GtkDialogWindow::selection(int id) const {
  const GtkControl* c = find(id);
  if (!c) return -1;
  if (c->source->kind == ControlKind::kTabControl)
    return gtk_notebook_get_current_page(GTK_NOTEBOOK(c->widget));
  if (c->source->kind == ControlKind::kDropDownList)
    return gtk_combo_box_get_active(GTK_COMBO_BOX(c->widget));
  return -1;
}

void GtkDialogWindow::select(int id, int index) try {
  VLGTK_ENTER(ui_, );
  GtkControl* c = find(id);
  if (!c) return;
  Quiet quiet(*this);
  if (index < 0 || index >= listCount(id)) index = -1;
  if (c->source->kind == ControlKind::kTabControl && index >= 0)
    gtk_notebook_set_current_page(GTK_NOTEBOOK(c->widget), index);
  else if (c->source->kind == ControlKind::kDropDownList)
    gtk_combo_box_set_active(GTK_COMBO_BOX(c->widget), index);
} VLGTK_SURVIVE(ui_, )

namespace {

void showProgress(GtkControl& c) {
  double span = c.high - c.low;
  double fraction = span > 0 ? (c.position - c.low) / span : 0.0;
  gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(c.widget), std::min(1.0, std::max(0.0, fraction)));
}

}  // namespace

void GtkDialogWindow::setProgressRange(int id, int low, int high) {
  GtkControl* c = find(id);
  if (!c || c->source->kind != ControlKind::kProgressBar) return;
  c->low = low;
  c->high = high;
  showProgress(*c);
  if (kind_ == Kind::kModeless)
    ui_.host().record({"progress", "range", std::to_string(low), std::to_string(high)});
}

void GtkDialogWindow::setProgressStep(int id, int step) {
  GtkControl* c = find(id);
  if (!c || c->source->kind != ControlKind::kProgressBar) return;
  c->step = step;
  if (kind_ == Kind::kModeless) ui_.host().record({"progress", "step", std::to_string(step)});
}

void GtkDialogWindow::setProgressPosition(int id, int position) {
  GtkControl* c = find(id);
  if (!c || c->source->kind != ControlKind::kProgressBar || c->position == position) return;
  c->position = position;
  showProgress(*c);
  if (kind_ == Kind::kModeless) ui_.host().record({"progress", "position", std::to_string(position)});
}

void GtkDialogWindow::enable(int id, bool enabled) {
  if (GtkControl* c = find(id)) gtk_widget_set_sensitive(c->widget, enabled);
}

bool GtkDialogWindow::isEnabled(int id) const {
  const GtkControl* c = find(id);
  return c && gtk_widget_get_sensitive(c->widget);
}

void GtkDialogWindow::show(int id, bool visible) try {
  VLGTK_ENTER(ui_, );
  if (GtkControl* c = find(id)) gtk_widget_set_visible(c->widget, visible);
} VLGTK_SURVIVE(ui_, )

bool GtkDialogWindow::isVisible(int id) const {
  const GtkControl* c = find(id);
  return c && gtk_widget_get_visible(c->widget);
}

void GtkDialogWindow::destroyControl(int id) try {
  VLGTK_ENTER(ui_, );
  GtkControl* c = find(id);
  if (!c) return;
  g_signal_handlers_disconnect_by_data(c->widget, c);
  gtk_widget_destroy(c->widget);
  c->widget = nullptr;
  c->alive = false;
} VLGTK_SURVIVE(ui_, )

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
