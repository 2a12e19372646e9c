// vlsetup: puts the virtual printer "Vellora" into the print system, takes
// it out again, creates alias printers and chooses the PostScript
// interpreter. The whole command line is one command (commands.h).
#include "installer/commands.h"
#include "platform/process.h"

int main(int argc, char** argv) {
  return vellora::RunInstallerCommand(platform::programCommandLine(argc, argv));
}
