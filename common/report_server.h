// Which error-report server reports go to. The build names one (the CMake
// cache values VELLORA_REPORT_SERVER and VELLORA_REPORT_ADDRESS, both empty
// by default); an administrator can name another for a machine, or turn
// reports off, with the values "ReportServer" and "ReportServerAddress" of
// HKEY_LOCAL_MACHINE "SOFTWARE\\Norvale\\Vellora". A value present in the
// store wins over the build's, an empty "ReportServer" included.
#pragma once

#include <string>

namespace vellora {

struct ReportServer {
  // "name" or "name:port" (port 80 when none is given).
  std::string hostName;
  // A dotted IPv4 address of the same server, tried when the name does not
  // resolve; may be empty.
  std::string fixedAddress;
  // Without a host name nothing is ever sent and nobody is asked.
  bool configured() const { return !hostName.empty(); }
};

ReportServer ConfiguredReportServer();

}  // namespace vellora
