#include "testsupport/ipp_client.h"

#include <cups/cups.h>

namespace testsupport {

namespace {

constexpr int kConnectTimeoutMs = 10000;

struct Credentials {
  std::string password;
  int asked = 0;
};

// Gives the password once: a second question means the server refused it.
const char* answerPassword(const char*, http_t*, const char*, const char*, void* data) {
  Credentials* credentials = static_cast<Credentials*>(data);
  if (credentials->asked++ > 0) return nullptr;
  return credentials->password.c_str();
}

}  // namespace

IppPrint printOverIpp(const IppQueue& target, const std::string& user, const std::string& password,
                      const std::string& file, const std::string& title,
                      const std::vector<std::pair<std::string, std::string>>& options,
                      const std::string& claimed) {
  IppPrint result;
  Credentials credentials{password, 0};
  cupsSetUser(user.c_str());
  cupsSetPasswordCB2(&answerPassword, &credentials);
  http_t* http = httpConnect2("127.0.0.1", target.port, nullptr, AF_INET, HTTP_ENCRYPTION_ALWAYS, 1,
                              kConnectTimeoutMs, nullptr);
  if (!http) {
    result.status = "cannot connect: " + std::string(cupsLastErrorString());
    cupsSetPasswordCB2(nullptr, nullptr);
    return result;
  }
  const std::string resource = "/printers/" + target.queue;
  const std::string uri = "ipps://127.0.0.1:" + std::to_string(target.port) + resource;
  ipp_t* request = ippNewRequest(IPP_OP_PRINT_JOB);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               claimed.empty() ? user.c_str() : claimed.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, title.c_str());
  for (const auto& option : options)
    ippAddString(request, IPP_TAG_JOB, IPP_TAG_KEYWORD, option.first.c_str(), nullptr, option.second.c_str());
  ipp_t* response = cupsDoFileRequest(http, request, resource.c_str(), file.c_str());
  ipp_attribute_t* id = response ? ippFindAttribute(response, "job-id", IPP_TAG_INTEGER) : nullptr;
  if (id && ippGetStatusCode(response) <= IPP_STATUS_OK_EVENTS_COMPLETE) result.jobId = ippGetInteger(id, 0);
  result.status = cupsLastErrorString() ? cupsLastErrorString() : ippErrorString(cupsLastError());
  ippDelete(response);
  httpClose(http);
  cupsSetPasswordCB2(nullptr, nullptr);
  return result;
}

}  // namespace testsupport
