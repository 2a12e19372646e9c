// Acting out a script on the real windows (desktop.h): once a modal
// dialog, a message box or the Save As dialog is mapped, each step of the
// script is done on its real widgets, as a user's click would do it, so the
// same GTK signals reach the same handlers. Also takes the screenshots asked
// for. Built into the module only where the tests run (VELLORA_TEST_HOOKS).
#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <string>

#include "platform/desktop.h"
#include "platform/posix/gtk/gtk_ui.h"

namespace vlgtk {

class GtkDialogWindow;

class Driver : public ScriptDriver {
 public:
  explicit Driver(GtkUi& ui) : ui_(ui) {}

  void drive(ModalContext& context) override;
  void stop(ModalContext& context) override;
  void windowClosing(GtkDialogWindow& dialog) override;

  // Saves a window's picture as NAME.png where screenshots go; false when
  // none are wanted or it cannot be made.
  bool screenshot(GtkWidget* window, int templateId, const std::string& name);

 private:
  struct Run;
  static gboolean tick(gpointer data);
  // One step; false when the script is done with this window.
  void step(ModalContext& context);
  void actOnDialog(GtkDialogWindow& dialog, const platform::DriveStep& line);
  void answerDialog(ModalContext& context, const platform::DriveStep& line);
  void stepSaveAs(ModalContext& context, const platform::DriveStep& line);
  void answerMessageBox(ModalContext& context);
  // Lets background work reach the dialogs (every poster released), at
  // most 10 s.
  void settle();
  void refuse(int templateId, const platform::DriveStep& line, const std::string& why);

  GtkUi& ui_;
};

std::unique_ptr<ScriptDriver> makeScriptDriver(GtkUi& ui);

}  // namespace vlgtk
