// vlgsreg: registers the Ghostscript installed on this machine for Vellora,
// so that a fresh installation finds a working interpreter.
//
//   vlgsreg [path-to-gs]
//
// Without an argument the Ghostscript console program is looked up on PATH.
// Exit code 0 when it was registered, 1 when not.
#include <cstdio>
#include <string>

#include "common/ghostscript_registration.h"

namespace {

void usage(std::FILE* to) {
  std::fputs(
      "usage: vlgsreg [path-to-gs]\n"
      "Registers a Ghostscript console program (default: the one on PATH) as the\n"
      "interpreter package under HKEY_LOCAL_MACHINE\\SOFTWARE\\Norvale\\GPL Ghostscript.\n",
      to);
}

}  // namespace

int main(int argc, char** argv) {
  std::string program;
  if (argc > 2) {
    usage(stderr);
    return 1;
  }
  if (argc == 2) {
    program = argv[1];
    if (program == "-h" || program == "--help" || program == "/?") {
      usage(stdout);
      return 0;
    }
    if (program.empty()) {
      usage(stderr);
      return 1;
    }
  }
  std::string log;
  if (vellora::RegisterHostGhostscript(&log, program) != 0) {
    std::fputs(log.c_str(), stderr);
    std::fputs("vlgsreg: Ghostscript was not registered.\n", stderr);
    return 1;
  }
  std::fputs(log.c_str(), stdout);
  std::fputs("vlgsreg: Ghostscript registered.\n", stdout);
  return 0;
}
