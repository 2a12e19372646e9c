// vlsetup's commands: the whole command line decides what one run does.
//
//   remove         take printer, driver and monitor out      exit 0
//   findint        choose the interpreter                    0 stored, 1 none found
//   echo           nothing                                   0
//   share          share the product's queues on the network 0 or -1
//   class[:N]      the printer "Vellora" as a class of N member queues
//                  (N: the number of processors)             0 or -1
//   remote:URI     a member of that class passing its jobs on to the
//                  queue of another server                   0 or -1
//   ...alias:NAME  create the alias printer NAME, with a message   0 or -1
//   ...aa:NAME     the same without a message                0 or -1
//   ...regadd      create the pending alias printers         0
//   FOLDER         full install from the installation files  the interpreter choice's code
#pragma once

#include <string>

namespace vellora {

int RunInstallerCommand(const std::string& commandLine);

}  // namespace vellora
