#include "platform/posix/gtk/gtk_watch.h"

#include <time.h>

#include <string>

#include "platform/posix/gtk/gtk_dialog.h"

namespace vlgtk {

namespace {

struct Watched {
  platform::DesktopHost* host;
  int templateId;
};

gboolean onMapped(GtkWidget* window, GdkEvent*, gpointer data) {
  auto* watched = static_cast<Watched*>(data);
  // When, and how much processor time the program had used by then (which,
  // unlike the time, does not depend on what else the machine is doing).
  timespec used = {0, 0};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
  watched->host->record({"mapped", std::to_string(watched->templateId),
                         std::to_string(g_get_real_time()),
                         std::to_string(long(used.tv_sec) * 1000000 + used.tv_nsec / 1000)});
  if (g_object_get_data(G_OBJECT(window), "vellora-select-all")) {
    // After GTK's own first focus, which selects the name without its extension.
    g_idle_add(+[](gpointer w) -> gboolean {
      if (GtkWidget* entry = findByTypeName(GTK_WIDGET(w), "GtkFileChooserEntry"))
        gtk_editable_select_region(GTK_EDITABLE(entry), 0, -1);
      g_object_unref(w);
      return G_SOURCE_REMOVE;
    }, g_object_ref(window));
  }
  g_signal_handlers_disconnect_by_data(window, data);
  return FALSE;
}

}  // namespace

GtkWidget* findByTypeName(GtkWidget* root, const char* typeName) {
  return findWidget(root, [typeName](GtkWidget* widget) {
    return g_strcmp0(G_OBJECT_TYPE_NAME(widget), typeName) == 0;
  });
}

void watchMapped(platform::DesktopHost& host, int templateId, GtkWidget* window) {
  auto* watched = new Watched{&host, templateId};
  g_signal_connect_data(window, "map-event", G_CALLBACK(onMapped), watched,
                        [](gpointer data, GClosure*) { delete static_cast<Watched*>(data); },
                        GConnectFlags(0));
}

void selectWholeName(GtkWidget* chooser) {
  g_object_set_data(G_OBJECT(chooser), "vellora-select-all", GINT_TO_POINTER(1));
  if (GtkWidget* entry = findByTypeName(chooser, "GtkFileChooserEntry"))
    gtk_editable_select_region(GTK_EDITABLE(entry), 0, -1);
}

}  // namespace vlgtk
