// vellora (Vellora.exe on Windows): the drag-and-drop program. Its whole
// command line is the path of one document, quoted or not:
//
//   vellora FILE
//
// Without one it says what Vellora is. It ends once the document is handed
// on; the exit code is always 0.
#include "launchers/vellora/drop_program.h"
#include "platform/process.h"
#include "scripted_ui/scripted_backend.h"

int main(int argc, char** argv) {
  // Its messages can be answered by a script, as the converter's are.
  platform::installScriptedBackend();
  return vellora::runDropProgram(platform::programCommandLine(argc, argv));
}
