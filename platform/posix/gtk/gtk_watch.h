// What every dialog window gets when it is made, driven or not: the record
// notes when it was first mapped, and a Save As dialog can have its whole
// file name selected once GTK has given it focus.
#pragma once

#include <gtk/gtk.h>

#include "platform/desktop.h"

namespace vlgtk {

// Records "mapped" (desktop.h) when `window` is first mapped.
void watchMapped(platform::DesktopHost& host, int templateId, GtkWidget* window);
// Selects the whole file name of a Save As dialog now and once it is shown.
void selectWholeName(GtkWidget* chooser);
// The first widget under `root` (itself included) of a GTK type name.
GtkWidget* findByTypeName(GtkWidget* root, const char* typeName);

}  // namespace vlgtk
