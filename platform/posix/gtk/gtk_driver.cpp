#include "platform/posix/gtk/gtk_driver.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

#include "platform/posix/gtk/gtk_dialog.h"
#include "platform/posix/gtk/gtk_watch.h"
#include "platform/ui_text.h"

namespace vlgtk {

namespace {

using platform::ControlKind;
using platform::DriveStep;

// Between two steps, and after a window is first mapped (so that it is
// painted before anything is done to it).
constexpr guint kStepMilliseconds = 15;
constexpr gint64 kFirstStepDelay = 80 * 1000;
// How long a pressed Save or Cancel may take to get its answer from GTK.
constexpr gint64 kResponseLimit = 5 * 1000 * 1000;
constexpr gint64 kSettleLimit = 10 * 1000 * 1000;
constexpr long kPauseLimitMilliseconds = 60 * 1000;

std::string number(long value) { return std::to_string(value); }

bool isFolder(const std::string& path) {
  struct stat info;
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

struct Target {
  GtkDialogWindow* dialog = nullptr;
  GtkControl* control = nullptr;
};

// "ID" or "TEMPLATE/ID": the dialog first, then its pages.
Target findTarget(GtkDialogWindow& dialog, const std::string& name) {
  const platform::ScriptControlName wanted = platform::parseScriptControlName(name);
  std::vector<GtkDialogWindow*> candidates = {&dialog};
  for (GtkDialogWindow* page : dialog.livePages()) candidates.push_back(page);
  for (GtkDialogWindow* candidate : candidates) {
    if (wanted.templateId != 0 && candidate->dialogTemplate().id != wanted.templateId) continue;
    if (GtkControl* control = candidate->find(wanted.id)) return {candidate, control};
  }
  return {};
}

std::vector<std::string> entriesOf(GtkDialogWindow& dialog, int id) {
  std::vector<std::string> entries;
  for (int i = 0, n = dialog.listCount(id); i < n; ++i) entries.push_back(dialog.listEntry(id, i));
  return entries;
}

// The close box, pressed now: the window gets its delete event at once
// (gtk_window_close would send it later, from an idle).
void closeWindow(GtkWidget* window) {
  GdkWindow* own = gtk_widget_get_window(window);
  if (!own) return;
  GdkEvent* event = gdk_event_new(GDK_DELETE);
  event->any.window = GDK_WINDOW(g_object_ref(own));
  event->any.send_event = TRUE;
  gtk_main_do_event(event);
  gdk_event_free(event);
}

// Types a name into the Save As dialog's name field as a user would, so
// that GTK reacts as to typing (the Save button follows the field).
void typeName(GtkWidget* chooser, const std::string& name) {
  std::string shown = toUtf8(name);
  if (GtkWidget* entry = findByTypeName(chooser, "GtkFileChooserEntry")) {
    gtk_widget_grab_focus(entry);
    gtk_entry_set_text(GTK_ENTRY(entry), shown.c_str());
  } else {
    gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(chooser), shown.c_str());
  }
}

}  // namespace

void Driver::drive(ModalContext& context) {
  if (!ui_.host().driven()) return;
  // Below GTK's own layout and painting, which a step may wait for.
  context.tickSource = g_timeout_add_full(G_PRIORITY_LOW, kStepMilliseconds, tick, &context, nullptr);
  g_object_set_data(G_OBJECT(context.window), "vellora-driver", this);
}

void Driver::stop(ModalContext& context) {
  if (context.tickSource) g_source_remove(context.tickSource);
  context.tickSource = 0;
}

gboolean Driver::tick(gpointer data) {
  ModalContext& context = *static_cast<ModalContext*>(data);
  auto* driver = static_cast<Driver*>(g_object_get_data(G_OBJECT(context.window), "vellora-driver"));
  GtkUi& ui = driver->ui_;
  if (ui.lost() || context.done) {
    context.tickSource = 0;
    return G_SOURCE_REMOVE;
  }
  // A window opened above this one acts first.
  if (ui.modals().empty() || ui.modals().back() != &context) return G_SOURCE_CONTINUE;
  if (!gtk_widget_get_mapped(context.window)) return G_SOURCE_CONTINUE;
  gint64 now = g_get_monotonic_time();
  if (!context.mappedAt) context.mappedAt = now;
  if (now < context.mappedAt + kFirstStepDelay || now < context.pauseUntil) return G_SOURCE_CONTINUE;
  if (context.awaitingResponseUntil && now < context.awaitingResponseUntil) return G_SOURCE_CONTINUE;
  context.awaitingResponseUntil = 0;
  driver->step(context);
  if (ui.lost() || context.done) {
    context.tickSource = 0;
    return G_SOURCE_REMOVE;
  }
  return G_SOURCE_CONTINUE;
}

void Driver::step(ModalContext& context) {
  platform::DesktopHost& host = ui_.host();
  if (context.kind == ModalContext::Kind::kMessageBox) {
    answerMessageBox(context);
    return;
  }
  GtkDialogWindow& dialog = *context.dialog;
  const int templateId = dialog.dialogTemplate().id;
  DriveStep line;
  if (!host.nextStep(context.answerKind, &line)) {
    // Nothing left to do: the user closes the window.
    if (context.kind == ModalContext::Kind::kSaveAs) {
      context.awaitingResponseUntil = g_get_monotonic_time() + kResponseLimit;
      gtk_button_clicked(GTK_BUTTON(dialog.saveAs()->cancelButton));
      return;
    }
    closeWindow(context.window);
    if (!dialog.ended() && !ui_.lost()) {
      host.record({"refused", number(templateId), "<close>", "the dialog stays open"});
      dialog.end(platform::kDialogUnavailable);
    }
    return;
  }
  if (line.kind == "pause") {
    host.record({"action", number(templateId), line.text});
    long milliseconds = std::min(std::max(0L, std::atol(line.value.c_str())), kPauseLimitMilliseconds);
    context.pauseUntil = g_get_monotonic_time() + milliseconds * 1000;
    return;
  }
  if (context.kind == ModalContext::Kind::kSaveAs) {
    stepSaveAs(context, line);
    return;
  }
  answerDialog(context, line);
  if (!dialog.ended() && !ui_.lost())
    host.snapshot(dialog, dialog.pages(), line.text, dialog.bigIcon(), false);
}

void Driver::refuse(int templateId, const DriveStep& line, const std::string& why) {
  ui_.host().record({"refused", number(templateId), line.text, why});
}

void Driver::settle() {
  gint64 deadline = g_get_monotonic_time() + kSettleLimit;
  while ((ui_.posters > 0 || ui_.pendingPosts > 0) && !ui_.lost() &&
         g_get_monotonic_time() < deadline) {
    if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(1000);
  }
}

void Driver::actOnDialog(GtkDialogWindow& dialog, const DriveStep& line) {
  const int templateId = dialog.dialogTemplate().id;
  ui_.host().record({"action", number(templateId), line.text});
  if (line.kind == "wait") {
    settle();
    return;
  }
  if (line.kind == "screenshot") {
    screenshot(dialog.toplevel(), templateId, line.value);
    return;
  }
  std::string first, rest;
  platform::splitFirstWord(line.value, &first, &rest);
  if (line.kind == "tab") {
    rest = line.value;
    first.clear();
    for (const auto& c : dialog.controls())
      if (c->alive && c->source->kind == ControlKind::kTabControl) first = number(c->source->id);
    if (first.empty()) return refuse(templateId, line, "no tab control");
  }
  const std::string& kind = line.kind;
  if (kind != "check" && kind != "clear" && kind != "click" && kind != "choose" && kind != "type" &&
      kind != "tab")
    return refuse(templateId, line, "not an action for this dialog");
  Target target = findTarget(dialog, first);
  if (!target.control) return refuse(templateId, line, "no such control");
  GtkWidget* widget = target.control->widget;
  if (!gtk_widget_get_visible(widget)) return refuse(templateId, line, "hidden");
  if (!gtk_widget_is_sensitive(widget)) return refuse(templateId, line, "disabled");
  ControlKind controlKind = target.control->source->kind;
  const int id = target.control->source->id;
  if (kind == "type") {
    if (controlKind != ControlKind::kEdit && controlKind != ControlKind::kPasswordEdit)
      return refuse(templateId, line, "not an edit");
    gtk_widget_grab_focus(widget);
    gtk_entry_set_text(GTK_ENTRY(widget), toUtf8(rest).c_str());
    return;
  }
  if (kind == "choose" || kind == "tab") {
    if (controlKind != ControlKind::kDropDownList && controlKind != ControlKind::kTabControl)
      return refuse(templateId, line, "not a list");
    int index = platform::findEntryByText(entriesOf(*target.dialog, id), rest);
    if (index < 0) {
      // The entry may still be on its way from a background thread.
      settle();
      target = findTarget(dialog, first);
      if (!target.control) return refuse(templateId, line, "no such control");
      index = platform::findEntryByText(entriesOf(*target.dialog, id), rest);
      if (index < 0) return refuse(templateId, line, "no such entry");
    }
    if (controlKind == ControlKind::kTabControl)
      gtk_notebook_set_current_page(GTK_NOTEBOOK(target.control->widget), index);
    else
      gtk_combo_box_set_active(GTK_COMBO_BOX(target.control->widget), index);
    return;
  }
  bool box = controlKind == ControlKind::kCheckBox;
  bool radio = controlKind == ControlKind::kRadioButton;
  if (kind == "clear" && !box) return refuse(templateId, line, "not a check box");
  if (kind == "check" && !box && !radio) return refuse(templateId, line, "not a check box");
  bool checked = (box || radio) && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget));
  if ((kind == "check" && checked) || (kind == "clear" && !checked)) return;
  gtk_widget_grab_focus(widget);
  gtk_button_clicked(GTK_BUTTON(widget));
}

void Driver::answerDialog(ModalContext& context, const DriveStep& line) {
  GtkDialogWindow& dialog = *context.dialog;
  const int templateId = dialog.dialogTemplate().id;
  if (line.kind == "cancel" || line.value == "<cancel>") {
    ui_.host().record({"action", number(templateId), line.text});
    closeWindow(context.window);
    return;
  }
  if (line.kind != context.answerKind) return actOnDialog(dialog, line);
  // An answer: a button by its caption, else text for the edit and Enter.
  ui_.host().record({"action", number(templateId), line.text});
  GtkControl* button = nullptr;
  GtkControl* defaultButton = nullptr;
  GtkControl* edit = nullptr;
  for (const auto& c : dialog.controls()) {
    if (!c->alive) continue;
    if (c->source->kind == ControlKind::kPushButton) {
      if (platform::lowerText(platform::readableCaption(c->source->text)) ==
          platform::lowerText(line.value))
        button = c.get();
      if (c->source->style & platform::kStyleDefaultButton) defaultButton = c.get();
    }
    if (!edit && (c->source->kind == ControlKind::kEdit || c->source->kind == ControlKind::kPasswordEdit))
      edit = c.get();
  }
  if (!button) {
    if (edit && gtk_widget_is_sensitive(edit->widget) && gtk_widget_get_visible(edit->widget)) {
      gtk_widget_grab_focus(edit->widget);
      gtk_entry_set_text(GTK_ENTRY(edit->widget), toUtf8(line.value).c_str());
    }
    button = defaultButton;
  }
  if (!button || !gtk_widget_is_sensitive(button->widget) || !gtk_widget_get_visible(button->widget))
    return refuse(templateId, line, "no button to press");
  gtk_button_clicked(GTK_BUTTON(button->widget));
}

void Driver::stepSaveAs(ModalContext& context, const DriveStep& line) {
  GtkDialogWindow& area = *context.dialog;
  SaveAsParts& parts = *area.saveAs();
  platform::DesktopHost& host = ui_.host();
  const int templateId = area.dialogTemplate().id;
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(parts.dialog);
  auto snapshot = [&](const std::string& moment) {
    if (!ui_.lost() && !context.done) host.snapshot(area, area.pages(), moment, area.bigIcon(), true);
  };
  if (line.kind == "cancel" || line.value == "<cancel>") {
    host.record({"action", number(templateId), line.text});
    context.awaitingResponseUntil = g_get_monotonic_time() + kResponseLimit;
    gtk_button_clicked(GTK_BUTTON(parts.cancelButton));
    return;
  }
  if (line.kind == "filetype" || (line.kind == "saveas" && line.filterIndex > 0)) {
    int index = line.kind == "filetype" ? std::atoi(line.value.c_str()) : line.filterIndex;
    if (line.kind == "filetype") host.record({"action", number(templateId), line.text});
    if (index < 1 || index > static_cast<int>(parts.filters.size()))
      refuse(templateId, line, "no such file type");
    else if (index != area.filterIndex())
      gtk_file_chooser_set_filter(chooser, parts.filters[static_cast<std::size_t>(index - 1)]);
    if (line.kind == "filetype") return snapshot(line.text);
  }
  if (line.kind == "name") {
    host.record({"action", number(templateId), line.text});
    typeName(parts.dialog, line.value);
    return snapshot(line.text);
  }
  if (line.kind != "accept" && line.kind != "saveas") {
    actOnDialog(area, line);
    return snapshot(line.text);
  }
  // The name typed, then Save pressed.
  host.record({"action", number(templateId), line.text});
  if (!line.value.empty()) {
    std::string path = line.value;
    std::string::size_type slash = path.find_last_of('/');
    if (slash != std::string::npos && isFolder(path.substr(0, slash == 0 ? 1 : slash))) {
      gtk_file_chooser_set_current_folder(chooser, path.substr(0, slash == 0 ? 1 : slash).c_str());
      path = path.substr(slash + 1);
    }
    typeName(parts.dialog, path);
  }
  context.awaitingResponseUntil = g_get_monotonic_time() + kResponseLimit;
  gtk_button_clicked(GTK_BUTTON(parts.saveButton));
}

void Driver::answerMessageBox(ModalContext& context) {
  int answer = platform::defaultMessageBoxButton(context.flags);
  std::string word;
  if (ui_.host().nextAnswer("message", &word)) {
    int named = platform::messageBoxButtonByName(word);
    for (int id : platform::messageBoxButtons(context.flags))
      if (id == named) answer = named;
  }
  GtkWidget* button = gtk_dialog_get_widget_for_response(GTK_DIALOG(context.window), answer);
  if (button) gtk_button_clicked(GTK_BUTTON(button));
}

void Driver::windowClosing(GtkDialogWindow& dialog) {
  const platform::DialogTemplate& source = dialog.dialogTemplate();
  GtkWidget* window = dialog.toplevel();
  if (!window || !gtk_widget_get_visible(window)) return;
  screenshot(window, source.id, source.name ? source.name : std::to_string(source.id));
}

namespace {

// Lets GTK finish laying out and painting a window: a window just resized
// is first given its new size by the display, then laid out, then painted.
void waitForFrame(GtkWidget* window, int limitMilliseconds) {
  GdkWindow* own = gtk_widget_get_window(window);
  GdkFrameClock* clock = own ? gdk_window_get_frame_clock(own) : nullptr;
  if (!clock) return;
  bool painted = false;
  gulong handler = g_signal_connect_swapped(clock, "after-paint", G_CALLBACK(+[](bool* flag) { *flag = true; }),
                                            &painted);
  gtk_widget_queue_draw(window);
  gint64 deadline = g_get_monotonic_time() + gint64(limitMilliseconds) * 1000;
  while (g_get_monotonic_time() < deadline) {
    if (painted) {
      // Painted at the size the window has now, with nothing left to lay out.
      if (gtk_widget_get_allocated_width(window) == gdk_window_get_width(own) &&
          gtk_widget_get_allocated_height(window) == gdk_window_get_height(own))
        break;
      painted = false;
      gtk_widget_queue_draw(window);
    }
    if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(2000);
  }
  g_signal_handler_disconnect(clock, handler);
}

}  // namespace

bool Driver::screenshot(GtkWidget* window, int templateId, const std::string& name) {
  std::string path = ui_.host().screenshotPath(name);
  if (path.empty() || !window || ui_.lost()) return false;
  // What the last step set off is done first (GTK finishes some of it later:
  // the Save button follows a typed name once a check of the name on disk
  // has come back), then the window painted: the window has been quiet for
  // a moment, or a second has gone by.
  gint64 limit = g_get_monotonic_time() + 1000 * 1000;
  gint64 quietSince = g_get_monotonic_time();
  while (g_get_monotonic_time() < limit && g_get_monotonic_time() - quietSince < 250 * 1000) {
    if (g_main_context_iteration(nullptr, FALSE))
      quietSince = g_get_monotonic_time();
    else
      g_usleep(2000);
  }
  if (gtk_widget_get_mapped(window))
    waitForFrame(window, 1000);
  else
    paintNow(window, 500);
  GdkWindow* own = gtk_widget_get_window(window);
  if (!own || !gtk_widget_get_mapped(window)) return false;
  int width = gdk_window_get_width(own), height = gdk_window_get_height(own);
  GdkPixbuf* picture = gdk_pixbuf_get_from_window(own, 0, 0, width, height);
  if (!picture) return false;
  bool saved = gdk_pixbuf_save(picture, path.c_str(), "png", nullptr, nullptr);
  g_object_unref(picture);
  if (saved) ui_.host().record({"screenshot", number(templateId), path, number(width), number(height)});
  return saved;
}

std::unique_ptr<ScriptDriver> makeScriptDriver(GtkUi& ui) {
  return std::unique_ptr<ScriptDriver>(new Driver(ui));
}

}  // namespace vlgtk
