// vlsetup: puts the virtual printer "Vellora" into the print system, takes
// it out again, creates alias printers and chooses the PostScript
// interpreter. The whole command line is one command (commands.h).
#include "installer/commands.h"
#include "platform/process.h"
#include "scripted_ui/scripted_backend.h"

int main(int argc, char** argv) {
  // Its questions can be answered by a script (an unattended installation).
  platform::installScriptedBackend();
  return vellora::RunInstallerCommand(platform::programCommandLine(argc, argv));
}
