// The client area of a dialog: a container that gives each control exactly
// the rectangle its template gives it (a GtkFixed gives children their
// natural size, which is not how a dialog looks), and keeps an option page
// over the display area of its tab control, as a Windows page dialog sits
// over the tab control it belongs to.
#pragma once

#include <gtk/gtk.h>

#include "platform/ui.h"

namespace vlgtk {

// A client area of width x height pixels.
GtkWidget* layoutNew(int width, int height);
void layoutSetSize(GtkWidget* layout, int width, int height);
void layoutPut(GtkWidget* layout, GtkWidget* child, const platform::PixelRect& rect);
void layoutMove(GtkWidget* layout, GtkWidget* child, const platform::PixelRect& rect);
// The rectangle a child was put at (a page's: where it is now).
platform::PixelRect layoutChildRect(GtkWidget* child);
// `page` (a child of the layout) follows the display area of `notebook`.
void layoutFollowNotebook(GtkWidget* page, GtkWidget* notebook);

}  // namespace vlgtk
