#include "platform/posix/gtk/gtk_layout.h"

#include <algorithm>

namespace vlgtk {

namespace {

const char kRectKey[] = "vellora-rect";
const char kNotebookKey[] = "vellora-follows-notebook";

struct VlLayout {
  GtkFixed parent;
  int width;
  int height;
};

struct VlLayoutClass {
  GtkFixedClass parent;
};

G_DEFINE_TYPE(VlLayout, vl_layout, GTK_TYPE_FIXED)

platform::PixelRect* rectOf(GtkWidget* child) {
  return static_cast<platform::PixelRect*>(g_object_get_data(G_OBJECT(child), kRectKey));
}

void vl_layout_preferred_width(GtkWidget* widget, gint* minimum, gint* natural) {
  *minimum = *natural = reinterpret_cast<VlLayout*>(widget)->width;
}

void vl_layout_preferred_height(GtkWidget* widget, gint* minimum, gint* natural) {
  *minimum = *natural = reinterpret_cast<VlLayout*>(widget)->height;
}

void vl_layout_size_allocate(GtkWidget* widget, GtkAllocation* allocation) {
  gtk_widget_set_allocation(widget, allocation);
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  for (GList* item = children; item; item = item->next) {
    GtkWidget* child = GTK_WIDGET(item->data);
    platform::PixelRect* rect = rectOf(child);
    if (!rect || !gtk_widget_get_visible(child)) continue;
    // A page goes where its tab control shows its current page (the tab
    // control comes earlier in the layout, so it is placed already).
    auto* notebook = static_cast<GtkWidget*>(g_object_get_data(G_OBJECT(child), kNotebookKey));
    if (notebook && gtk_widget_get_visible(notebook)) {
      int current = gtk_notebook_get_current_page(GTK_NOTEBOOK(notebook));
      GtkWidget* area = current >= 0 ? gtk_notebook_get_nth_page(GTK_NOTEBOOK(notebook), current)
                                     : nullptr;
      if (area && gtk_widget_get_visible(area)) {
        GtkAllocation shown;
        gtk_widget_get_allocation(area, &shown);
        rect->x = shown.x - allocation->x;
        rect->y = shown.y - allocation->y;
      }
    }
    // GTK wants every widget asked for its size before it is given one.
    GtkRequisition minimum;
    gtk_widget_get_preferred_size(child, &minimum, nullptr);
    GtkAllocation place = {allocation->x + rect->x, allocation->y + rect->y,
                           std::max(1, rect->width), std::max(1, rect->height)};
    gtk_widget_size_allocate(child, &place);
  }
  g_list_free(children);
}

void vl_layout_class_init(VlLayoutClass* layoutClass) {
  GtkWidgetClass* widgetClass = GTK_WIDGET_CLASS(layoutClass);
  widgetClass->get_preferred_width = vl_layout_preferred_width;
  widgetClass->get_preferred_height = vl_layout_preferred_height;
  widgetClass->size_allocate = vl_layout_size_allocate;
}

void vl_layout_init(VlLayout* layout) {
  layout->width = 0;
  layout->height = 0;
}

void setRect(GtkWidget* child, const platform::PixelRect& rect) {
  platform::PixelRect* stored = rectOf(child);
  if (!stored) {
    stored = new platform::PixelRect;
    g_object_set_data_full(G_OBJECT(child), kRectKey, stored,
                           [](gpointer p) { delete static_cast<platform::PixelRect*>(p); });
  }
  *stored = rect;
  gtk_widget_set_size_request(child, std::max(1, rect.width), std::max(1, rect.height));
}

}  // namespace

GtkWidget* layoutNew(int width, int height) {
  auto* layout = static_cast<VlLayout*>(g_object_new(vl_layout_get_type(), nullptr));
  layout->width = width;
  layout->height = height;
  return GTK_WIDGET(layout);
}

void layoutSetSize(GtkWidget* widget, int width, int height) {
  auto* layout = reinterpret_cast<VlLayout*>(widget);
  layout->width = width;
  layout->height = height;
  gtk_widget_queue_resize(widget);
}

void layoutPut(GtkWidget* layout, GtkWidget* child, const platform::PixelRect& rect) {
  setRect(child, rect);
  gtk_fixed_put(GTK_FIXED(layout), child, rect.x, rect.y);
}

void layoutMove(GtkWidget* layout, GtkWidget* child, const platform::PixelRect& rect) {
  setRect(child, rect);
  gtk_fixed_move(GTK_FIXED(layout), child, rect.x, rect.y);
  gtk_widget_queue_resize(layout);
}

platform::PixelRect layoutChildRect(GtkWidget* child) {
  platform::PixelRect* rect = rectOf(child);
  return rect ? *rect : platform::PixelRect();
}

void layoutFollowNotebook(GtkWidget* page, GtkWidget* notebook) {
  g_object_set_data(G_OBJECT(page), kNotebookKey, notebook);
  gtk_widget_queue_resize(page);
}

}  // namespace vlgtk
