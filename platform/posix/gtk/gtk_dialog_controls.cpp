// The state of a dialog's controls: checks, texts, lists, progress, and
// whether a control is enabled, shown or still there. Changes the program
// makes are quiet: only what the user does reaches the handler.
#include "platform/posix/gtk/gtk_dialog.h"

#include <algorithm>

#include "platform/ui_text.h"

namespace vlgtk {

namespace {

using platform::ControlKind;
using platform::PixelRect;

bool isList(ControlKind kind) {
  return kind == ControlKind::kDropDownList || kind == ControlKind::kTabControl;
}

}  // namespace

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

}  // namespace vlgtk
