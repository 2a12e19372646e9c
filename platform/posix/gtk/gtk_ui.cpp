#include "platform/posix/gtk/gtk_ui.h"

#include <algorithm>
#include <cmath>

#include "platform/posix/gtk/gtk_dialog.h"
#ifdef VELLORA_TEST_HOOKS
#include "platform/posix/gtk/gtk_driver.h"
#endif
#include "platform/ui_text.h"

namespace vlgtk {

namespace {

using platform::PixelRect;

// The base units of the font GTK gives dialog text, measured the way Windows
// measures the dialog font: the average width of the 52 letters, rounded as
// Windows rounds it, and the full height of a line.
BaseUnits measureBaseUnits() {
  BaseUnits units;
  GtkWidget* label = gtk_label_new(nullptr);
  g_object_ref_sink(label);
  PangoContext* context = gtk_widget_get_pango_context(label);
  PangoFontMetrics* metrics = pango_context_get_metrics(
      context, pango_context_get_font_description(context), nullptr);
  int height = pango_font_metrics_get_ascent(metrics) + pango_font_metrics_get_descent(metrics);
  pango_font_metrics_unref(metrics);
  PangoLayout* layout =
      gtk_widget_create_pango_layout(label, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  int width = 0, ignored = 0;
  pango_layout_get_pixel_size(layout, &width, &ignored);
  g_object_unref(layout);
  g_object_unref(label);
  if (width > 0) units.x = (width / 26 + 1) / 2;
  if (height > 0) units.y = (height + PANGO_SCALE - 1) / PANGO_SCALE;
  return units;
}

struct BoxAnswer {
  GtkUi* ui;
  ModalContext* context;
  unsigned flags;
  int answer = 0;
};

void onBoxResponse(GtkDialog*, gint response, gpointer data) {
  auto* box = static_cast<BoxAnswer*>(data);
  if (box->ui->lost()) return;
  if (response == GTK_RESPONSE_DELETE_EVENT) response = platform::closedMessageBoxButton(box->flags);
  if (response <= 0) return;
  box->answer = response;
  box->ui->endLoop(*box->context);
}

// A box with no Cancel (Yes/No, Abort/Retry/Ignore) cannot be closed but by
// its buttons, as on Windows.
gboolean onBoxDelete(GtkWidget*, GdkEvent*, gpointer data) {
  auto* box = static_cast<BoxAnswer*>(data);
  return platform::closedMessageBoxButton(box->flags) == 0;
}

GtkMessageType messageType(unsigned flags) {
  switch (flags & platform::kMbIconMask) {
    case platform::kMbIconError: return GTK_MESSAGE_ERROR;
    case platform::kMbIconQuestion: return GTK_MESSAGE_QUESTION;
    case platform::kMbIconWarning: return GTK_MESSAGE_WARNING;
    case platform::kMbIconInformation: return GTK_MESSAGE_INFO;
    default: return GTK_MESSAGE_OTHER;
  }
}

}  // namespace

std::string toUtf8(const std::string& text) {
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return text;
  // The programs' texts are single-byte Windows text: titles from spool
  // files, names from old settings.
  gchar* converted = g_convert(text.data(), static_cast<gssize>(text.size()), "UTF-8",
                               "WINDOWS-1252", nullptr, nullptr, nullptr);
  if (!converted) converted = g_utf8_make_valid(text.c_str(), static_cast<gssize>(text.size()));
  std::string result = converted;
  g_free(converted);
  return result;
}

std::string mnemonicLabel(const char* caption) {
  std::string out;
  for (const char* p = caption ? caption : ""; *p; ++p) {
    if (*p == '&' && p[1] == '&') {
      out += '&';
      ++p;
    } else if (*p == '&') {
      out += '_';
    } else if (*p == '_') {
      out += "__";
    } else {
      out += *p;
    }
  }
  return toUtf8(out);
}

void paintNow(GtkWidget* window, int limitMilliseconds) {
  if (!window || !gtk_widget_get_visible(window)) return;
  gint64 deadline = g_get_monotonic_time() + gint64(limitMilliseconds) * 1000;
  // A window just shown is painted once the display has mapped it.
  while (!gtk_widget_get_mapped(window) && g_get_monotonic_time() < deadline) {
    if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(2000);
  }
  gtk_widget_queue_draw(window);
  // Paints what is invalid at once, outside the frame clock: the progress
  // window's caller reads the interpreter's output and runs no main loop.
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  if (GdkWindow* own = gtk_widget_get_window(window)) gdk_window_process_updates(own, TRUE);
  G_GNUC_END_IGNORE_DEPRECATIONS
  for (int i = 0; i < 100 && g_main_context_pending(nullptr); ++i)
    g_main_context_iteration(nullptr, FALSE);
  gdk_display_flush(gtk_widget_get_display(window));
}

GtkUi::GtkUi(platform::DesktopHost& host, std::string description)
    : host_(host), description_(std::move(description)) {
#ifdef VELLORA_TEST_HOOKS
  driver_ = makeScriptDriver(*this);
#endif
  units_ = measureBaseUnits();
}

GtkUi::~GtkUi() = default;

std::string GtkUi::description() const { return description_; }

platform::ScreenMetrics GtkUi::screen() const {
  platform::ScreenMetrics metrics;
  metrics.width = 1024;
  metrics.height = 768;
  if (lost_) return metrics;
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (!monitor) monitor = gdk_display_get_monitor(display, 0);
  if (monitor) {
    GdkRectangle area;
    gdk_monitor_get_workarea(monitor, &area);
    metrics.width = area.width;
    metrics.height = area.height;
  }
  double resolution = gdk_screen_get_resolution(gdk_screen_get_default());
  int ppi = resolution > 0 ? static_cast<int>(std::lround(resolution)) : 96;
  metrics.pixelsPerInchX = metrics.pixelsPerInchY = ppi;
  return metrics;
}

GdkPixbuf* GtkUi::image(int resourceId, int width, int height) {
  const platform::ImageResource* resource = host_.image(resourceId);
  if (!resource || lost_) return nullptr;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("png", nullptr);
  if (!loader) return nullptr;
  GdkPixbuf* image = nullptr;
  if (gdk_pixbuf_loader_write(loader, resource->png, resource->size, nullptr) &&
      gdk_pixbuf_loader_close(loader, nullptr)) {
    image = gdk_pixbuf_loader_get_pixbuf(loader);
    if (image) g_object_ref(image);
  } else {
    gdk_pixbuf_loader_close(loader, nullptr);
  }
  g_object_unref(loader);
  if (!image || width <= 0 || height <= 0) return image;
  // Fitted into the control, keeping its proportions.
  int own = gdk_pixbuf_get_width(image), ownHeight = gdk_pixbuf_get_height(image);
  double scale = std::min(double(width) / own, double(height) / ownHeight);
  int w = std::max(1, static_cast<int>(std::lround(own * scale)));
  int h = std::max(1, static_cast<int>(std::lround(ownHeight * scale)));
  if (w == own && h == ownHeight) return image;
  GdkPixbuf* fitted = gdk_pixbuf_scale_simple(image, w, h, GDK_INTERP_HYPER);
  g_object_unref(image);
  return fitted;
}

void GtkUi::displayLost(const std::string& why) {
  if (lost_) return;
  lost_ = true;
  description_ = "none: the desktop went away (" + why + ")";
  host_.record({"lost", why});
  for (ModalContext* context : modals_) {
    context->done = true;
    if (context->loop) g_main_loop_quit(context->loop);
  }
}

void GtkUi::abandon(std::unique_ptr<GtkDialogWindow> dialog) { abandoned_.push_back(std::move(dialog)); }

void GtkUi::runLoop(ModalContext& context) {
  if (lost_ || context.done) return;
  modals_.push_back(&context);
  context.loop = g_main_loop_new(nullptr, FALSE);
  // Left however the loop ends, DisplayLost included (then without
  // touching GLib's sources again).
  struct Leave {
    GtkUi& ui;
    ModalContext& context;
    ~Leave() {
      if (!ui.lost_ && ui.driver_) ui.driver_->stop(context);
      ui.modals_.erase(std::remove(ui.modals_.begin(), ui.modals_.end(), &context), ui.modals_.end());
    }
  } leave{*this, context};
  if (driver_) driver_->drive(context);
  if (!context.done) g_main_loop_run(context.loop);
  g_main_loop_unref(context.loop);
  context.loop = nullptr;
}

void GtkUi::endLoop(ModalContext& context) {
  context.done = true;
  if (context.loop) g_main_loop_quit(context.loop);
}

void GtkUi::addWindow(GtkWidget* window) { windows_.push_back(window); }

void GtkUi::removeWindow(GtkWidget* window) {
  windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
}

void GtkUi::setCursor(platform::Cursor cursor) try {
  host_.record({"cursor", cursor == platform::Cursor::kWait ? "wait" : "arrow"});
  VLGTK_ENTER(*this, );
  GdkDisplay* display = gdk_display_get_default();
  if (cursor_) g_object_unref(cursor_);
  cursor_ = gdk_cursor_new_from_name(display, cursor == platform::Cursor::kWait ? "wait" : "default");
  for (GtkWidget* window : windows_)
    if (GdkWindow* own = gtk_widget_get_window(window)) gdk_window_set_cursor(own, cursor_);
  gdk_display_flush(display);
} VLGTK_SURVIVE(*this, )

bool GtkUi::copyToClipboard(const std::string& text) try {
  host_.record({"clipboard", text});
  VLGTK_ENTER(*this, false);
  GtkClipboard* clipboard =
      gtk_clipboard_get_for_display(gdk_display_get_default(), GDK_SELECTION_CLIPBOARD);
  if (!clipboard) return false;
  gtk_clipboard_set_text(clipboard, toUtf8(text).c_str(), -1);
  // The converter ends soon after: a clipboard manager, where one runs,
  // keeps the text once we are gone.
  gtk_clipboard_set_can_store(clipboard, nullptr, 0);
  gtk_clipboard_store(clipboard);
  return true;
} VLGTK_SURVIVE(*this, false)

int GtkUi::messageBox(const std::string& text, const std::string& caption, unsigned flags,
                      const platform::Dialog* owner) {
  int answer = platform::safeMessageBoxButton(flags);
  if (!lost_) {
    try {
      Entry entry(*this);
      answer = showMessageBox(text, caption, flags, owner);
    } catch (const DisplayLost&) {
      absorb();
      answer = platform::safeMessageBoxButton(flags);
    }
  }
  host_.record(platform::messageBoxRecord(text, caption, flags, answer));
  return answer;
}

int GtkUi::showMessageBox(const std::string& text, const std::string& caption, unsigned flags,
                          const platform::Dialog* owner) {
  GtkWindow* parent = nullptr;
  if (auto* dialog = dynamic_cast<const GtkDialogWindow*>(owner))
    parent = GTK_WINDOW(dialog->toplevel());
  GtkWidget* box = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, messageType(flags),
                                          GTK_BUTTONS_NONE, "%s", toUtf8(text).c_str());
  gtk_window_set_title(GTK_WINDOW(box), toUtf8(caption).c_str());
  for (int id : platform::messageBoxButtons(flags))
    gtk_dialog_add_button(GTK_DIALOG(box), mnemonicLabel(platform::messageBoxButtonName(id)->caption).c_str(), id);
  gtk_dialog_set_default_response(GTK_DIALOG(box), platform::defaultMessageBoxButton(flags));
  gtk_window_set_position(GTK_WINDOW(box), parent ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
  if (flags & platform::kMbTopmost) gtk_window_set_keep_above(GTK_WINDOW(box), TRUE);
  ModalContext context;
  context.kind = ModalContext::Kind::kMessageBox;
  context.answerKind = "message";
  context.window = box;
  context.flags = flags;
  BoxAnswer answer{this, &context, flags};
  g_signal_connect(box, "response", G_CALLBACK(onBoxResponse), &answer);
  g_signal_connect(box, "delete-event", G_CALLBACK(onBoxDelete), &answer);
  addWindow(box);
  gtk_widget_show(box);
  gtk_window_present(GTK_WINDOW(box));
  runLoop(context);
  if (lost_) return platform::safeMessageBoxButton(flags);
  removeWindow(box);
  gtk_widget_destroy(box);
  return answer.answer;
}

int GtkUi::runModal(const platform::DialogTemplate& source, platform::DialogHandler& handler) {
  const std::string name = platform::lowerText(source.name ? source.name : "");
  const std::string id = std::to_string(source.id);
  if (lost_ || (host_.driven() && host_.takeUnavailable(name))) {
    host_.record({"window", "unavailable", id});
    return platform::kDialogUnavailable;
  }
  try {
    Entry entry(*this);
    return showModal(source, handler);
  } catch (const DisplayLost&) {
    absorb();
    host_.record({"window", "unavailable", id});
    return platform::kDialogUnavailable;
  }
}

int GtkUi::showModal(const platform::DialogTemplate& source, platform::DialogHandler& handler) {
  const std::string name = platform::lowerText(source.name ? source.name : "");
  const std::string id = std::to_string(source.id);
  GtkDialogWindow dialog(*this, source, GtkDialogWindow::Kind::kModal, &handler);
  ModalContext context;
  context.kind = ModalContext::Kind::kDialog;
  context.answerKind = name;
  context.window = dialog.toplevel();
  context.dialog = &dialog;
  dialog.setContext(&context);
  host_.record({"window", "open", id, source.caption ? source.caption : ""});
  handler.initialised(dialog);
  if (!dialog.ended() && !lost_) {
    host_.snapshot(dialog, dialog.pages(), "start", dialog.bigIcon(), false);
    dialog.showWindow(true);
    gtk_window_present(GTK_WINDOW(dialog.toplevel()));
    runLoop(context);
  }
  if (lost_) {
    host_.record({"window", "unavailable", id});
    return platform::kDialogUnavailable;
  }
  host_.snapshot(dialog, dialog.pages(), "end", dialog.bigIcon(), false);
  handler.closing(dialog);
  host_.record({"window", "close", id, std::to_string(dialog.result())});
  return dialog.result();
}

std::unique_ptr<platform::Dialog> GtkUi::openModeless(const platform::DialogTemplate& source,
                                                      platform::DialogHandler* handler) try {
  VLGTK_ENTER(*this, nullptr);
  std::unique_ptr<GtkDialogWindow> dialog(
      new GtkDialogWindow(*this, source, GtkDialogWindow::Kind::kModeless, handler));
  host_.record({"window", "open", std::to_string(source.id), source.caption ? source.caption : ""});
  if (handler) handler->initialised(*dialog);
  if (source.style & platform::kDialogVisible) {
    dialog->showWindow(true);
    paintNow(dialog->toplevel(), 500);
  }
  return std::unique_ptr<platform::Dialog>(dialog.release());
} VLGTK_SURVIVE(*this, nullptr)

}  // namespace vlgtk
