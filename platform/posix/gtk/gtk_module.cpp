// The module's entry point: starts GTK on the display and hands the program
// its user interface.
#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/desktop.h"
#include "platform/posix/gtk/gtk_ui.h"

namespace vlgtk {

namespace {

GtkUi* gUi = nullptr;
std::string gDisplayName;

// Dialog controls as compact as the Windows ones their templates were
// designed with: the theme's generous padding would not fit into the
// rectangles dialog units give them.
const char kDialogCss[] = R"css(
.vellora-dialog entry { min-height: 0; padding: 1px 4px; }
.vellora-dialog button { min-height: 0; min-width: 0; padding: 0 6px; }
.vellora-dialog combobox button { min-height: 0; padding: 0 4px; }
.vellora-dialog combobox box { min-height: 0; }
.vellora-dialog checkbutton, .vellora-dialog radiobutton { min-height: 0; padding: 0; }
.vellora-dialog checkbutton check, .vellora-dialog radiobutton radio { margin: 0 4px 0 0; }
.vellora-dialog notebook > header > tabs > tab { min-height: 0; padding: 2px 10px; }
.vellora-dialog progressbar trough, .vellora-dialog progressbar progress { min-height: 14px; }
.vellora-dialog frame > label { margin: 0 4px; }
)css";

void installStyle() {
  GtkCssProvider* provider = gtk_css_provider_new();
  gtk_css_provider_load_from_data(provider, kDialogCss, -1, nullptr);
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(provider),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(provider);
}

#ifdef GDK_WINDOWING_X11
// The X server went away. Xlib would end the process here; instead the
// interface notes it and DisplayLost leaves Xlib, GDK and GLib (never to be
// called again) for the outermost call into the interface, which ends its
// dialog as unavailable: the job goes on without a desktop. With an Xlib
// that has exit handlers the exception leaves from there, after Xlib has
// unlocked the display.
[[noreturn]] void leaveXlib() { throw DisplayLost(); }

int onDisplayLost(Display*) {
  if (gUi) gUi->displayLost("the connection to the display " + gDisplayName + " was lost");
#ifndef VELLORA_X_IO_ERROR_EXIT_HANDLER
  if (gUi && gUi->depth() > 0) leaveXlib();
#endif
  return 0;
}

#ifdef VELLORA_X_IO_ERROR_EXIT_HANDLER
void onExit(Display*, void*) {
  // No call of the interface is running (nothing of ours can be unwound
  // to): Xlib ends the process, as it would have without us.
  if (gUi && gUi->depth() > 0) leaveXlib();
  std::_Exit(1);
}
#endif

void surviveDisplayLoss() {
  GdkDisplay* display = gdk_display_get_default();
  if (!GDK_IS_X11_DISPLAY(display)) return;
  XSetIOErrorHandler(onDisplayLost);
#ifdef VELLORA_X_IO_ERROR_EXIT_HANDLER
  XSetIOErrorExitHandler(GDK_DISPLAY_XDISPLAY(display), onExit, nullptr);
#endif
}
#endif

void fail(char* why, std::size_t size, const std::string& text) {
  std::snprintf(why, size, "%s", text.c_str());
}

}  // namespace

}  // namespace vlgtk

extern "C" __attribute__((visibility("default"))) platform::UserInterface* vellora_desktop_ui(
    int interfaceVersion, platform::DesktopHost* host, const char* display, char* why,
    std::size_t whySize) {
  using namespace vlgtk;
  if (interfaceVersion != platform::kDesktopInterfaceVersion) {
    fail(why, whySize, "the desktop module was built for another version of the program");
    return nullptr;
  }
  if (gUi) return gUi;
  gDisplayName = display ? display : "";
  // X where there is an X display (a Wayland session has one too).
  const char* x = std::getenv("DISPLAY");
  gdk_set_allowed_backends(x && *x ? "x11" : "wayland");
  // The converter formats numbers for PostScript: it must keep the C locale.
  gtk_disable_setlocale();
  if (!gtk_init_check(nullptr, nullptr)) {
    fail(why, whySize, "the display " + gDisplayName + " could not be opened");
    return nullptr;
  }
  g_set_application_name("Vellora");
  installStyle();
  // Driven by a script (tests, screenshots), each step shows its final
  // state at once rather than fading into it.
  if (host->driven())
    g_object_set(gtk_settings_get_default(), "gtk-enable-animations", FALSE, "gtk-cursor-blink", FALSE,
                 nullptr);
  gUi = new GtkUi(*host, "gtk: the desktop on the display " + gDisplayName);
#ifdef GDK_WINDOWING_X11
  surviveDisplayLoss();
#endif
  return gUi;
}
