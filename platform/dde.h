// Dynamic Data Exchange: a client that sends commands to a running
// application by its service name.
//
// On Windows this is DDEML. On POSIX a service is a Unix socket (the wire is
// in posix/dde_wire.h).
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

}  // namespace platform
