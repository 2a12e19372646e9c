// vlrun: forwards its command line to the converter, which it starts hidden
// from the product folder without waiting for it.
//
//   vlrun ARGUMENTS...
//
// Exit code 0; 1 when the command line is too long to forward.
#include "launchers/vlrun/launcher.h"
#include "platform/process.h"

int main(int argc, char** argv) {
  return vellora::runLauncher(platform::programCommandLine(argc, argv));
}
