// A DDE server standing in for Excel or Word: it offers a service name,
// records every command it is sent, and quits on the commands that tell the
// real application to quit. Started again while it runs, it hands over to
// the running instance (records its arguments and ends), as the real
// applications do.
//
//   standin-ddeserver SERVICE [DOCUMENT...]
//
//   VELLORA_STANDIN_LOG          arguments, then one line per command:
//                                standin-ddeserver SERVICE execute COMMAND,
//                                and standin-ddeserver SERVICE ended at the end
//   VELLORA_STANDIN_SERVE_MS     how long it serves at most (default 60000)
//   VELLORA_STANDIN_DDE_REFUSE   when set, every command is refused
#include <cstdlib>
#include <string>
#include <vector>

#include "standin_support.h"
#include "tools/standins/dde_server.h"

namespace {

struct Server {
  std::string service;
  std::unique_ptr<standin::DdeServer> dde;
  bool refuse = false;
};

bool onExecute(const std::string& command, void* context) {
  Server& server = *static_cast<Server*>(context);
  standin::recordArguments({"standin-ddeserver", server.service, "execute", command});
  // "[quit]" for Excel, "[FileExit ...]" for Word.
  if (command.find("[quit]") != std::string::npos || command.find("[FileExit") != std::string::npos)
    server.dde->stop();
  return !server.refuse;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv, argv + argc);
  standin::recordArguments(arguments);
  if (argc < 2) return 2;
  Server server;
  server.service = argv[1];
  server.refuse = !standin::environment("VELLORA_STANDIN_DDE_REFUSE").empty();
  server.dde = standin::DdeServer::create(server.service, onExecute, &server);
  if (!server.dde) return 0;  // another instance serves this name
  const int limit = std::atoi(standin::environment("VELLORA_STANDIN_SERVE_MS", "60000").c_str());
  server.dde->serve(limit > 0 ? limit : 60000);
  server.dde.reset();
  standin::recordArguments({"standin-ddeserver", server.service, "ended"});
  return 0;
}
