#include "common/report_server.h"

#include "common/product.h"
#include "common/report_server_build.h"
#include "platform/registry.h"

namespace vellora {

namespace {

constexpr std::size_t kHostNameCapacity = 255;

// The store's value when it is there, else the build's; cut to a host
// name's length.
std::string configured(const platform::RegKey& key, const char* name, const char* built) {
  std::string value;
  if (!key.isOpen() || key.queryString(name, &value) != platform::kRegOk) value = built;
  if (value.size() > kHostNameCapacity) value.resize(kHostNameCapacity);
  return value;
}

}  // namespace

ReportServer ConfiguredReportServer() {
  platform::RegKey key;
  key.open(platform::HKLM, kProductKey, platform::kRegRead);
  ReportServer server;
  server.hostName = configured(key, "ReportServer", VELLORA_BUILD_REPORT_SERVER);
  server.fixedAddress = configured(key, "ReportServerAddress", VELLORA_BUILD_REPORT_ADDRESS);
  return server;
}

}  // namespace vellora
