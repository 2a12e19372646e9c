// The cases every dialog backend passes alike, on GTK windows on an X
// server of the test's own, with the module loaded as the programs load it
// and no script: the program alone acts on the windows.
#include <gtk/gtk.h>

#include <memory>
#include <string>

#include "platform/ui.h"
#include "testsupport/dialog_conformance.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/private_display.h"

// Named at the top level: the name shows in the tests' names.
class GtkDesktop {
 public:
  ~GtkDesktop() { platform::setUserInterface(nullptr); }

  platform::UserInterface* open(std::string* why) {
    *why = testsupport::privateDisplayUnavailableReason();
    if (!why->empty()) return nullptr;
    machine_.reset(new testsupport::FreshMachine);
    if (!display_.start()) {
      *why = display_.startError();
      return nullptr;
    }
    machine_->setEnv("VELLORA_DESKTOP_MODULE", VLGTK_PATH);
    machine_->unsetEnv("VELLORA_UI_SCRIPT");
    machine_->unsetEnv("VELLORA_DESKTOP_SCRIPT");
    platform::setUserInterface(nullptr);
    platform::UserInterface& ui = platform::ui();
    if (ui.description().compare(0, 4, "gtk:") != 0) {
      ADD_FAILURE() << "not the GTK backend: " << ui.description();
      return nullptr;
    }
    return &ui;
  }
  // GTK runs in this process: the Save As dialog is one of its windows.
  void cancelSaveAs(platform::Dialog&) {
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w; w = w->next)
      if (GTK_IS_FILE_CHOOSER_DIALOG(w->data)) gtk_dialog_response(GTK_DIALOG(w->data), GTK_RESPONSE_CANCEL);
    g_list_free(windows);
  }

 private:
  std::unique_ptr<testsupport::FreshMachine> machine_;
  testsupport::PrivateDisplay display_;
};

namespace testsupport {
INSTANTIATE_TYPED_TEST_SUITE_P(GtkBackend, DialogConformance, GtkDesktop);
}  // namespace testsupport
