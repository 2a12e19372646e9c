// A print client on the network, as an office's desktops are one: it
// prints a file to a queue of a server on 127.0.0.1 over IPP with TLS
// (ipps), as an account that authenticates with its password when the
// server asks (Basic), through libcups. Several threads may print at once,
// each as a user of its own (libcups keeps the user and the password
// callback per thread).
//
//   testsupport::IppPrint job = testsupport::printOverIpp(
//       {cups.port(), "Vellora"}, user.name(), "secret", file, "Quarterly Report");
//   ASSERT_GT(job.jobId, 0) << job.status;
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

struct IppQueue {
  int port = 0;  // of 127.0.0.1
  std::string queue;
};

struct IppPrint {
  int jobId = 0;       // the server's job id; 0 when the job was refused
  std::string status;  // the server's answer ("successful-ok", "Unauthorized", ...)
};

// Prints file (its format found by the server) with the title, as user
// with password (the server asks for it once; a refused password is not
// tried again), with job options ("name", "value") as keywords. The request
// names claimed as its user ("requesting-user-name"), user when empty.
IppPrint printOverIpp(const IppQueue& target, const std::string& user, const std::string& password,
                      const std::string& file, const std::string& title,
                      const std::vector<std::pair<std::string, std::string>>& options = {},
                      const std::string& claimed = std::string());

}  // namespace testsupport
