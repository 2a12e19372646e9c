// The cases every dialog backend passes alike, on the scripted windows with
// no script: the program alone acts on them.
#include <memory>
#include <string>

#include "scripted_ui/scripted_ui.h"
#include "testsupport/dialog_conformance.h"

// Named at the top level: the name shows in the tests' names.
class ScriptedWindows {
 public:
  platform::UserInterface* open(std::string*) {
    ui_.reset(new platform::ScriptedUi);
    return ui_.get();
  }
  // With nothing left in its script, the dialog is cancelled.
  void cancelSaveAs(platform::Dialog&) {}

 private:
  std::unique_ptr<platform::ScriptedUi> ui_;
};

namespace testsupport {
INSTANTIATE_TYPED_TEST_SUITE_P(ScriptedUi, DialogConformance, ScriptedWindows);
}  // namespace testsupport
