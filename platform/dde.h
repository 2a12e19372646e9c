// Dynamic Data Exchange: a client that sends commands to a running
// application by its service name, and the server side that stand-in
// applications answer with.
//
// On Windows this is DDEML. On POSIX a service is a Unix socket named after
// the service (in lower case) in the folder "vellora-dde-USER" of the
// temporary folder, which only the user may enter; the wire protocol is in
// dde-posix.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// A conversation with a server; 0 is none.
using DdeConversation = std::uintptr_t;

class DdeClient {
 public:
  // Called from inside the client's own calls when a server ends a
  // conversation.
  using DisconnectHandler = void (*)(DdeConversation conversation, void* context);

  // A client-only instance (DdeInitialize with APPCMD_CLIENTONLY); null when
  // none can be made. Destroying it ends the instance.
  static std::unique_ptr<DdeClient> create(DisconnectHandler onDisconnect, void* context);
  virtual ~DdeClient() = default;

  // A conversation with the service on the topic, or 0 when no server
  // answers.
  virtual DdeConversation connect(const std::string& service, const std::string& topic) = 0;
  // Sends a command (its bytes and a terminating zero) as an execute
  // transaction and waits for the answer at most timeoutMilliseconds.
  // Whether the server accepted it.
  virtual bool execute(DdeConversation conversation, const std::string& command,
                       int timeoutMilliseconds) = 0;
  // Gives up every asynchronous transaction still pending on the
  // conversation.
  virtual void abandonTransactions(DdeConversation conversation) = 0;
  virtual void disconnect(DdeConversation conversation) = 0;
};

// A server for one service name, answering on the topic "System".
class DdeServer {
 public:
  // Answers an execute transaction: true accepts the command.
  using ExecuteHandler = bool (*)(const std::string& command, void* context);

  // Registers the service; null when it cannot be registered.
  static std::unique_ptr<DdeServer> create(const std::string& service, ExecuteHandler onExecute,
                                           void* context);
  virtual ~DdeServer() = default;

  // Serves conversations until stop() is called (from a handler or another
  // thread) or timeoutMilliseconds pass (a negative time-out waits for ever).
  // A stopped server serves no more.
  virtual void serve(int timeoutMilliseconds) = 0;
  virtual void stop() = 0;
};

}  // namespace platform
