// The server side of DDE that the stand-ins for Excel and Word answer with,
// and that tests use to stand for them: the counterpart of the platform's
// client (platform/dde.h). On Windows DDEML; on POSIX the platform's socket
// wire (platform/posix/dde_wire.h).
#pragma once

#include <memory>
#include <string>

namespace standin {

// A server for one service name, answering on the topic "System".
class DdeServer {
 public:
  // Answers an execute transaction: true accepts the command.
  using ExecuteHandler = bool (*)(const std::string& command, void* context);

  // Registers the service; null when it cannot be registered (also when
  // another program offers it already).
  static std::unique_ptr<DdeServer> create(const std::string& service, ExecuteHandler onExecute,
                                           void* context);
  virtual ~DdeServer() = default;

  // Serves conversations until stop() is called (from a handler or another
  // thread) or timeoutMilliseconds pass (a negative time-out waits for ever).
  // A stopped server serves no more.
  virtual void serve(int timeoutMilliseconds) = 0;
  virtual void stop() = 0;
};

}  // namespace standin
