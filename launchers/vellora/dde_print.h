// Printing a workbook or document by remote control of Excel or Word over
// DDE: the client state of the process, the two applications and their
// commands, and the one call that sends a command.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/dde.h"

namespace vellora {

// Capacity of each formatted DDE command.
constexpr std::size_t kDdeCommandCapacity = 520;
// Connection attempts after the first, and the pause before each.
constexpr int kDdeConnectRetries = 12;
constexpr int kDdeRetryPauseMilliseconds = 500;
constexpr int kDdeExecuteTimeoutMilliseconds = 8000;
// The transaction type of an execute transaction, as DDEML numbers it.
constexpr unsigned kDdeExecuteTransaction = 0x4050;
// SendDdeCommand's results besides 0.
constexpr int kDdeNotRunning = -1;
constexpr int kDdeUnreachable = -9;

// The DDE client state of the process.
struct DdeClientState {
  std::unique_ptr<platform::DdeClient> instance;  // null when none is open
  platform::DdeConversation conversation = 0;
  std::uint32_t pendingTransaction = 0;
  unsigned lastTransactionType = 0;
  int status = 0;
  std::string topic = "System";
  int retryPauseMilliseconds = kDdeRetryPauseMilliseconds;
};

// A DDE application the program prints through.
struct DdeApplication {
  const char* typeTail;
  const char* service;
  const char* openParameters;
  // Commands for an application that was already running, and for one
  // started for this job; each with the document quoted, then without.
  const char* whenRunning;
  const char* whenStarted;
  const char* whenRunningUnquoted;
  const char* whenStartedUnquoted;
  // The HKEY_CLASSES_ROOT key whose default value must name the application
  // ("excel", "winword") for DDE printing.
  const char* registrationKey;
  const char* registeredName;
};

// The row for a type tail ("xls", "doc"; letter case ignored), or null.
const DdeApplication* ddeApplicationFor(const std::string& typeTail);

// Both commands of an application for a command line: the unquoted forms
// when the command line holds a double quote anywhere. False when either
// does not fit its buffer.
bool formatDdeCommands(const DdeApplication& application, const std::string& commandLine,
                       std::string* whenRunning, std::string* whenStarted);

// Sends a command to a service on the topic "System".
//  - probe only: 0 when a conversation is held, kDdeNotRunning when not; the
//    instance and the conversation stay open for the command that follows.
//  - otherwise: connects (reusing a held conversation; up to 12 more
//    attempts 500 ms apart), sends the command as an execute transaction,
//    disconnects and ends the instance; 0, or kDdeUnreachable when no
//    conversation came about.
int SendDdeCommand(DdeClientState& state, const std::string& service, const std::string& command,
                   bool probeOnly);

}  // namespace vellora
