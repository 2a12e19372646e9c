#include "launchers/vellora/dde_print.h"

#include "common/text.h"
#include "platform/process.h"

namespace vellora {

namespace {

const DdeApplication kApplications[] = {
    {"xls", "Excel", "/e",
     "[open(\"%s\")][RUN(\"Vellora_Print\")][Close()]",
     "[APP.MINIMIZE][APP.SIZE(0,0)][open(\"%s\")][RUN(\"Vellora_Print\")][quit]",
     "[open(%s)][RUN(\"Vellora_Print\")][Close()]",
     "[APP.MINIMIZE][APP.SIZE(0,0)][open(%s)][RUN(\"Vellora_Print\")][quit]",
     "Excel.Sheet.8\\shell\\Open\\ddeexec\\Application", "excel"},
    {"doc", "WinWord", "",
     "[REM _DDE_Minimize][FileOpen(\"%s\")][Vellorax][DocClose 2]",
     "[REM _DDE_Minimize][AppMinimize,1][FileOpen(\"%s\") .ReadOnly=1][Vellorax][FileExit 2]",
     "[REM _DDE_Minimize][FileOpen(%s)][Vellorax][DocClose 2]",
     "[REM _DDE_Minimize][AppMinimize,1][FileOpen(%s) .ReadOnly=1][Vellorax][FileExit 2]",
     "Word.Document.8\\shell\\Open\\ddeexec\\Application", "winword"},
};

// The callback's work: the server ended the conversation.
void serverDisconnected(platform::DdeConversation conversation, void* context) {
  DdeClientState& state = *static_cast<DdeClientState*>(context);
  if (conversation != state.conversation) return;
  state.pendingTransaction = 0;
  if (state.instance) state.instance->disconnect(conversation);
  state.conversation = 0;
}

void connect(DdeClientState& state, const std::string& service) {
  if (state.conversation != 0 || !state.instance) return;
  state.conversation = state.instance->connect(service, state.topic);
}

}  // namespace

const DdeApplication* ddeApplicationFor(const std::string& typeTail) {
  for (const DdeApplication& application : kApplications)
    if (equalsIgnoreCase(typeTail, application.typeTail)) return &application;
  return nullptr;
}

bool formatDdeCommands(const DdeApplication& application, const std::string& commandLine,
                       std::string* whenRunning, std::string* whenStarted) {
  // A quoted command line brings its own quotes: the document stands in the
  // command inside exactly one pair.
  const bool quoted = contains(commandLine, "\"");
  *whenRunning = format(quoted ? application.whenRunningUnquoted : application.whenRunning,
                        commandLine.c_str());
  *whenStarted = format(quoted ? application.whenStartedUnquoted : application.whenStarted,
                        commandLine.c_str());
  return whenRunning->size() < kDdeCommandCapacity && whenStarted->size() < kDdeCommandCapacity;
}

int SendDdeCommand(DdeClientState& state, const std::string& service, const std::string& command,
                   bool probeOnly) {
  // A probe that found the application leaves its instance and conversation
  // open: the command goes on that same conversation.
  if (!state.instance) state.instance = platform::DdeClient::create(serverDisconnected, &state);
  if (!state.instance) return probeOnly ? kDdeNotRunning : kDdeUnreachable;
  state.topic = "System";
  connect(state, service);
  if (probeOnly) return state.conversation != 0 ? 0 : kDdeNotRunning;

  for (int attempt = 0; attempt < kDdeConnectRetries && state.conversation == 0; ++attempt) {
    platform::sleepMilliseconds(state.retryPauseMilliseconds);
    connect(state, service);
  }
  if (state.conversation == 0) return kDdeUnreachable;

  state.instance->abandonTransactions(state.conversation);
  state.pendingTransaction = 0;
  // Whether the application accepted, refused or timed out is not looked
  // at: the command was delivered.
  state.instance->execute(state.conversation, command, kDdeExecuteTimeoutMilliseconds);
  state.lastTransactionType = kDdeExecuteTransaction;
  state.status = 0;

  if (state.conversation != 0) {
    state.instance->abandonTransactions(state.conversation);
    state.instance->disconnect(state.conversation);
    state.conversation = 0;
  }
  state.instance.reset();
  return state.status;
}

}  // namespace vellora
