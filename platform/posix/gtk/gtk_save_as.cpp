// The Save As dialog: GTK's file chooser in save mode, with the program's
// custom area as its extra widget. GTK's own question about replacing a
// file is off: the program's hook asks its own questions, and a name it
// refuses keeps the dialog open.
#include <sys/stat.h>

#include <algorithm>

#include "platform/posix/gtk/gtk_dialog.h"
#include "platform/posix/gtk/gtk_ui.h"
#include "platform/posix/gtk/gtk_watch.h"
#include "platform/ui_text.h"

namespace vlgtk {

namespace {

using platform::PixelRect;

// The file list above the custom area, at 96 pixels per inch: about as much
// as the Windows dialog shows.
constexpr int kStandardHeight = 300;

bool isFolder(const std::string& path) {
  struct stat info;
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

struct SaveAsRun {
  GtkUi* ui;
  GtkDialogWindow* area;
  ModalContext* context;
  platform::DialogHandler* hook;
  platform::SaveAsResult result;
};

void onResponse(GtkDialog*, gint response, gpointer data) {
  auto* run = static_cast<SaveAsRun*>(data);
  GtkUi& ui = *run->ui;
  if (ui.lost() || run->context->done) return;
  run->context->awaitingResponseUntil = 0;
  SaveAsParts& parts = *run->area->saveAs();
  const std::string id = std::to_string(run->area->dialogTemplate().id);
  if (response != GTK_RESPONSE_ACCEPT) {
    run->result.status = platform::SaveAsStatus::kCancelled;
    ui.endLoop(*run->context);
    return;
  }
  gchar* chosen = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(parts.dialog));
  std::string path = chosen ? chosen : "";
  g_free(chosen);
  if (path.empty()) {
    ui.host().record({"refused", id, "<save>", "no file name"});
    return;
  }
  path = platform::withTypeExtension(path, parts.request, run->area->filterIndex());
  if (path.size() > parts.request.nameCapacity) {
    ui.host().record({"refused", id, "<save>", "name too long"});
    ui.messageBox("The file name is too long.", parts.request.title,
                  platform::kMbOk | platform::kMbIconWarning, run->area);
    return;
  }
  if (!run->hook->nameAccepted(*run->area, path)) {
    if (!ui.lost()) ui.host().snapshot(*run->area, run->area->pages(), "<refused>", run->area->bigIcon(), true);
    return;
  }
  run->result.status = platform::SaveAsStatus::kAccepted;
  run->result.path = path;
  ui.endLoop(*run->context);
}

void onFilterChanged(GObject*, GParamSpec*, gpointer data) {
  auto* run = static_cast<SaveAsRun*>(data);
  if (run->ui->lost() || run->area->quiet() || run->context->done) return;
  run->hook->fileTypeChanged(*run->area, run->area->filterIndex());
}

gboolean onConfigure(GtkWidget*, GdkEventConfigure*, gpointer data) {
  static_cast<SaveAsRun*>(data)->area->noteMoved();
  return FALSE;
}

// GTK's chooser sizes its dialog from its own remembered size whenever its
// contents change; the custom area's hook decides the size here.
void keepOwnSize(GtkWidget* dialog) {
  GList* children = gtk_container_get_children(GTK_CONTAINER(gtk_dialog_get_content_area(GTK_DIALOG(dialog))));
  for (GList* child = children; child; child = child->next) {
    if (!GTK_IS_FILE_CHOOSER_WIDGET(child->data)) continue;
    guint signal = g_signal_lookup("default-size-changed", G_TYPE_FROM_INSTANCE(child->data));
    if (signal)
      g_signal_handlers_disconnect_matched(child->data, GSignalMatchType(G_SIGNAL_MATCH_ID | G_SIGNAL_MATCH_DATA),
                                           signal, 0, nullptr, nullptr, dialog);
  }
  g_list_free(children);
}

// GTK's list of file types, beside the custom area.
GtkWidget* fileTypeList(GtkWidget* dialog, GtkWidget* customArea) {
  return findWidget(dialog, [](GtkWidget* widget) { return GTK_IS_COMBO_BOX(widget) != FALSE; },
                    customArea);
}

GtkFileFilter* makeFilter(const platform::FileFilter& type) {
  GtkFileFilter* filter = gtk_file_filter_new();
  gtk_file_filter_set_name(filter, toUtf8(type.description).c_str());
  std::string patterns = type.pattern;
  std::string::size_type start = 0;
  while (start <= patterns.size()) {
    std::string::size_type end = patterns.find(';', start);
    std::string one = platform::trimText(patterns.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (!one.empty()) gtk_file_filter_add_pattern(filter, one.c_str());
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return filter;
}

}  // namespace

platform::SaveAsResult GtkUi::runSaveAs(const platform::SaveAsRequest& request,
                                        const platform::DialogTemplate& customArea,
                                        platform::DialogHandler& hook) {
  if (!lost()) {
    try {
      Entry entry(*this);
      return showSaveAs(request, customArea, hook);
    } catch (const DisplayLost&) {
      absorb();
    }
  }
  // Nothing more is asked or done: the hook gets no closing.
  host().record({"window", "unavailable", std::to_string(customArea.id)});
  platform::SaveAsResult unavailable;
  unavailable.status = platform::SaveAsStatus::kUnavailable;
  return unavailable;
}

platform::SaveAsResult GtkUi::showSaveAs(const platform::SaveAsRequest& request,
                                         const platform::DialogTemplate& customArea,
                                         platform::DialogHandler& hook) {
  const std::string id = std::to_string(customArea.id);
  SaveAsParts parts;
  parts.request = request;
  parts.dialog = gtk_file_chooser_dialog_new(toUtf8(request.title).c_str(), nullptr,
                                             GTK_FILE_CHOOSER_ACTION_SAVE, "_Save",
                                             GTK_RESPONSE_ACCEPT, "_Cancel", GTK_RESPONSE_CANCEL,
                                             nullptr);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(parts.dialog);
  gtk_dialog_set_default_response(GTK_DIALOG(parts.dialog), GTK_RESPONSE_ACCEPT);
  gtk_file_chooser_set_do_overwrite_confirmation(chooser, FALSE);
  gtk_file_chooser_set_local_only(chooser, TRUE);
  gtk_file_chooser_set_create_folders(chooser, TRUE);
  parts.saveButton = gtk_dialog_get_widget_for_response(GTK_DIALOG(parts.dialog), GTK_RESPONSE_ACCEPT);
  parts.cancelButton = gtk_dialog_get_widget_for_response(GTK_DIALOG(parts.dialog), GTK_RESPONSE_CANCEL);
  for (const platform::FileFilter& type : request.filters) {
    GtkFileFilter* filter = makeFilter(type);
    gtk_file_chooser_add_filter(chooser, filter);
    parts.filters.push_back(filter);
  }
  std::string folder = isFolder(request.initialFolder) ? request.initialFolder : g_get_home_dir();
  gtk_file_chooser_set_current_folder(chooser, folder.c_str());

  std::unique_ptr<GtkDialogWindow> area(
      new GtkDialogWindow(*this, customArea, GtkDialogWindow::Kind::kSaveAsArea, &hook, &parts));
  area->setFilterIndex(request.filterIndex);
  {
    GtkDialogWindow::Quiet quiet(*area);
    std::string name = request.initialName;
    std::string::size_type slash = name.find_last_of("/\\");
    if (slash != std::string::npos) name = name.substr(slash + 1);
    gtk_file_chooser_set_current_name(chooser, toUtf8(name).c_str());
  }

  // The custom area, shown down to the height the hook gives the window.
  PixelRect areaSize = area->toPixels({0, 0, customArea.width, customArea.height});
  parts.clip = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(parts.clip), GTK_POLICY_EXTERNAL, GTK_POLICY_EXTERNAL);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(parts.clip), GTK_SHADOW_NONE);
  gtk_container_add(GTK_CONTAINER(parts.clip), area->layout());
  if (GtkWidget* viewport = gtk_bin_get_child(GTK_BIN(parts.clip)))
    if (GTK_IS_VIEWPORT(viewport)) gtk_viewport_set_shadow_type(GTK_VIEWPORT(viewport), GTK_SHADOW_NONE);
  gtk_widget_set_size_request(parts.clip, areaSize.width, areaSize.height);
  parts.shownHeight = areaSize.height;
  gtk_widget_show_all(parts.clip);
  // show_all showed the hidden controls too: hide them again.
  for (const auto& control : area->controls())
    if (control->alive && (control->source->style & platform::kStyleHidden)) gtk_widget_hide(control->widget);
  gtk_file_chooser_set_extra_widget(chooser, parts.clip);
  keepOwnSize(parts.dialog);

  // Where it starts: centred, its file list about as high as on Windows and
  // as wide as the custom area with GTK's list of file types beside it. (The
  // hook then sizes it to its Cancel button, the rightmost button here as on
  // Windows.)
  platform::ScreenMetrics s = screen();
  GtkRequisition minimum;
  gtk_widget_get_preferred_size(parts.dialog, &minimum, nullptr);
  int types = 0;
  if (GtkWidget* list = fileTypeList(parts.dialog, parts.clip)) gtk_widget_get_preferred_width(list, nullptr, &types);
  int width = std::max(minimum.width, areaSize.width + types + 36);
  int height = std::max(minimum.height, kStandardHeight * s.pixelsPerInchY / 96 + areaSize.height + 60);
  PixelRect start = {std::max(0, (s.width - width) / 2), std::max(0, (s.height - height) / 2), width, height};
  // Placed where the hook says, not where GTK would centre it.
  gtk_window_set_position(GTK_WINDOW(parts.dialog), GTK_WIN_POS_NONE);
  gtk_window_resize(GTK_WINDOW(parts.dialog), width, height);
  gtk_window_move(GTK_WINDOW(parts.dialog), start.x, start.y);
  area->setRequestedPlace(start);
  area->layOut();

  ModalContext context;
  context.kind = ModalContext::Kind::kSaveAs;
  context.answerKind = "saveas";
  context.window = parts.dialog;
  context.dialog = area.get();
  area->setContext(&context);
  SaveAsRun run{this, area.get(), &context, &hook, {}};
  run.result.status = platform::SaveAsStatus::kCancelled;
  g_signal_connect(parts.dialog, "response", G_CALLBACK(onResponse), &run);
  g_signal_connect(parts.dialog, "notify::filter", G_CALLBACK(onFilterChanged), &run);
  g_signal_connect(parts.dialog, "configure-event", G_CALLBACK(onConfigure), &run);
  addWindow(parts.dialog);
  watchMapped(host(), area->dialogTemplate().id, parts.dialog);

  host().record({"window", "open", id, request.title});
  hook.initialised(*area);
  if (!lost()) {
    if (!gtk_widget_get_visible(parts.dialog)) area->showWindow(true);
    host().snapshot(*area, area->pages(), "start", area->bigIcon(), true);
    runLoop(context);
  }
  if (lost()) {
    abandon(std::move(area));
    throw DisplayLost();
  }
  run.result.filterIndex = area->filterIndex();
  bool accepted = run.result.accepted();
  host().snapshot(*area, area->pages(), accepted ? "accept" : "cancel", area->bigIcon(), true);
  hook.closing(*area);
  host().record({"window", "close", id, accepted ? "1" : "0"});
  host().record({"saveas", request.initialFolder, request.initialName,
                 std::to_string(request.filterIndex), accepted ? run.result.path : "<cancel>",
                 std::to_string(run.result.filterIndex)});
  g_signal_handlers_disconnect_by_data(parts.dialog, &run);
  area.reset();
  removeWindow(parts.dialog);
  gtk_widget_destroy(parts.dialog);
  return run.result;
}

}  // namespace vlgtk
