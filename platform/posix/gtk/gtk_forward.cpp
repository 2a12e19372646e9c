// Bringing another program's windows to the front (the PDF viewer's, once
// it shows the result): every viewable top-level window whose WM_CLASS
// names the class is raised and, through the window manager where one
// runs, activated.
#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <gdk/gdkx.h>
#endif

#include <strings.h>

#include "platform/posix/gtk/gtk_ui.h"

namespace vlgtk {

#ifdef GDK_WINDOWING_X11
namespace {

bool hasClass(Display* x, Window window, const std::string& windowClass) {
  XClassHint hint = {nullptr, nullptr};
  if (!XGetClassHint(x, window, &hint)) return false;
  bool same = (hint.res_class && strcasecmp(hint.res_class, windowClass.c_str()) == 0) ||
              (hint.res_name && strcasecmp(hint.res_name, windowClass.c_str()) == 0);
  if (hint.res_class) XFree(hint.res_class);
  if (hint.res_name) XFree(hint.res_name);
  return same;
}

// The program's window: the top-level window itself, or (under a window
// manager that frames windows) a child of it.
Window clientOf(Display* x, Window top, const std::string& windowClass) {
  if (hasClass(x, top, windowClass)) return top;
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  Window found = 0;
  if (XQueryTree(x, top, &root, &parent, &children, &count)) {
    for (unsigned i = 0; i < count && !found; ++i)
      if (hasClass(x, children[i], windowClass)) found = children[i];
    if (children) XFree(children);
  }
  return found;
}

void activate(Display* x, Window root, Window frame, Window client) {
  XRaiseWindow(x, frame);
  // Window managers give the focus on request (a pager's request: 2).
  XEvent event = {};
  event.xclient.type = ClientMessage;
  event.xclient.window = client;
  event.xclient.message_type = XInternAtom(x, "_NET_ACTIVE_WINDOW", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = 2;
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(x, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

}  // namespace
#endif

int GtkUi::bringWindowsForward(const std::string& windowClass) try {
  host_.record({"forward", windowClass});
  VLGTK_ENTER(*this, 0);
  int raised = 0;
#ifdef GDK_WINDOWING_X11
  GdkDisplay* display = gdk_display_get_default();
  if (!GDK_IS_X11_DISPLAY(display)) return 0;
  Display* x = GDK_DISPLAY_XDISPLAY(display);
  Window root = DefaultRootWindow(x);
  // Windows may go while they are looked at: their errors are ignored.
  gdk_x11_display_error_trap_push(display);
  Window rootReturn = 0, parent = 0, *tops = nullptr;
  unsigned count = 0;
  if (XQueryTree(x, root, &rootReturn, &parent, &tops, &count)) {
    for (unsigned i = 0; i < count; ++i) {
      XWindowAttributes attributes;
      if (!XGetWindowAttributes(x, tops[i], &attributes) || attributes.map_state != IsViewable) continue;
      Window client = clientOf(x, tops[i], windowClass);
      if (!client) continue;
      activate(x, root, tops[i], client);
      ++raised;
    }
    if (tops) XFree(tops);
  }
  XFlush(x);
  gdk_x11_display_error_trap_pop_ignored(display);
#endif
  return raised;
} VLGTK_SURVIVE(*this, 0)

}  // namespace vlgtk
