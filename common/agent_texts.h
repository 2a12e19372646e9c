// The error agent's messages for a failed transport step, with their
// string-table ids. The converter's string table refers to these constants,
// so that the failure texts of a report and the table say the same.
#pragma once

namespace vellora {

constexpr int kTextAgentCannotConnectId = 64;
constexpr const char kTextAgentCannotConnect[] = "Norvale Agent could not connect to the Internet.";

constexpr int kTextAgentCannotCloseId = 65;
constexpr const char kTextAgentCannotClose[] = "Norvale Agent could not close socket";

constexpr int kTextAgentCannotReceiveId = 66;
constexpr const char kTextAgentCannotReceive[] = "Norvale Agent was unable to receive data.";

constexpr int kTextAgentCannotSendId = 67;
constexpr const char kTextAgentCannotSend[] = "Norvale Agent could not send data.";

constexpr int kTextAgentCannotResolveId = 68;
constexpr const char kTextAgentCannotResolve[] = "Norvale Agent could not resolve DNS.";

}  // namespace vellora
