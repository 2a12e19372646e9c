#include "monitor/queue_printer.h"

#include "common/monitor_contract.h"
#include "platform/registry.h"

namespace vellora {
namespace monitor {

std::string printerOfQueue(const std::string& queue) {
  platform::RegKey members;
  std::string printer;
  if (members.open(platform::HKLM, kClassMembersKey, platform::kRegRead) == platform::kRegOk &&
      members.queryString(queue, &printer) == platform::kRegOk && !printer.empty())
    return printer;
  return queue;
}

}  // namespace monitor
}  // namespace vellora
