// Talking to CUPS: connections, requests about queues, the answers mapped
// onto the spooler's error codes, and CUPS's rules for names and URIs.
#include <cups/cups.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "spooler/posix/spooler_cups.h"

#ifndef VELLORA_CUPS_SERVERBIN
#define VELLORA_CUPS_SERVERBIN "/usr/lib/cups"
#endif

namespace platform {
namespace posix {

namespace {

// How long a connection attempt may take: the local server answers in
// milliseconds or not at all.
constexpr int kConnectTimeoutMs = 10000;

const char* const kQueueAttributes[] = {"printer-name",         "device-uri",
                                        "printer-info",         "printer-location",
                                        "printer-make-and-model", "printer-is-shared",
                                        "printer-state",        "queued-job-count"};

std::string stringAttribute(ipp_attribute_t* attribute) {
  const char* text = attribute ? ippGetString(attribute, 0, nullptr) : nullptr;
  return text ? text : "";
}

}  // namespace

std::string currentCupsServer() {
  // libcups remembers the server it read first; forget it so that the
  // environment of this moment decides.
  cupsSetServer(nullptr);
  const char* server = cupsServer();
  return server ? server : "";
}

bool isSystemCupsServer(const std::string& server) {
  return server == "/run/cups/cups.sock" || server == "/var/run/cups/cups.sock" ||
         server == "localhost" || server == "localhost:631" || server == "127.0.0.1" ||
         server == "127.0.0.1:631";
}

CupsConnection::CupsConnection() {
  std::string server = currentCupsServer();
  if (server.empty()) return;
  http_ = httpConnect2(server.c_str(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                       kConnectTimeoutMs, nullptr);
}

CupsConnection::~CupsConnection() {
  if (http_) httpClose(http_);
}

int CupsConnection::send(ipp_t* request, const char* resource, const std::string& file,
                         ipp_t** response) {
  if (response) *response = nullptr;
  if (!http_) {
    ippDelete(request);
    return kSpoolerServerUnavailable;
  }
  ipp_t* answer = file.empty() ? cupsDoRequest(http_, request, resource)
                               : cupsDoFileRequest(http_, request, resource, file.c_str());
  int code = answer ? spoolerCodeForIpp(ippGetStatusCode(answer)) : spoolerCodeForIpp(cupsLastError());
  if (response)
    *response = answer;
  else if (answer)
    ippDelete(answer);
  return code;
}

ipp_t* newQueueRequest(ipp_op_t operation, const std::string& queue) {
  ipp_t* request = ippNewRequest(operation);
  char uri[HTTP_MAX_URI];
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                   "/printers/%s", queue.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               cupsUser());
  return request;
}

int spoolerCodeForIpp(ipp_status_t status) {
  if (status <= IPP_STATUS_OK_EVENTS_COMPLETE) return kSpoolerOk;
  switch (status) {
    case IPP_STATUS_ERROR_FORBIDDEN:
    case IPP_STATUS_ERROR_NOT_AUTHORIZED:
    case IPP_STATUS_ERROR_NOT_AUTHENTICATED:
    case IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED:
      return kSpoolerAccessDenied;
    case IPP_STATUS_ERROR_NOT_FOUND:
      return kSpoolerInvalidPrinterName;
    case IPP_STATUS_ERROR_BAD_REQUEST:
    case IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES:
    case IPP_STATUS_ERROR_NOT_POSSIBLE:
      return kSpoolerInvalidParameter;
    default:
      // The server did not answer, or failed inside: the spooler is not
      // there for us, as an RPC server that cannot be reached.
      return kSpoolerServerUnavailable;
  }
}

int listQueues(CupsConnection& cups, std::vector<CupsQueue>* queues) {
  queues->clear();
  ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                static_cast<int>(sizeof kQueueAttributes / sizeof kQueueAttributes[0]), nullptr,
                kQueueAttributes);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               cupsUser());
  // CUPS lists its classes among the printers unless told not to.
  ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_ENUM, "printer-type", 0);
  ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_ENUM, "printer-type-mask", CUPS_PRINTER_CLASS);
  ipp_t* response = nullptr;
  int code = cups.send(request, "/", std::string(), &response);
  if (code == kSpoolerInvalidPrinterName) code = kSpoolerOk;  // no queues at all
  if (code != kSpoolerOk || !response) {
    if (response) ippDelete(response);
    return code;
  }
  CupsQueue queue;
  bool inQueue = false;
  auto finish = [&] {
    if (inQueue && !queue.name.empty()) queues->push_back(queue);
    queue = CupsQueue();
    inQueue = false;
  };
  for (ipp_attribute_t* a = ippFirstAttribute(response); a; a = ippNextAttribute(response)) {
    if (ippGetGroupTag(a) != IPP_TAG_PRINTER) {
      finish();
      continue;
    }
    inQueue = true;
    const char* name = ippGetName(a);
    if (!name) continue;
    if (!std::strcmp(name, "printer-name")) queue.name = stringAttribute(a);
    else if (!std::strcmp(name, "device-uri")) queue.deviceUri = stringAttribute(a);
    else if (!std::strcmp(name, "printer-info")) queue.info = stringAttribute(a);
    else if (!std::strcmp(name, "printer-location")) queue.location = stringAttribute(a);
    else if (!std::strcmp(name, "printer-make-and-model")) queue.makeAndModel = stringAttribute(a);
    else if (!std::strcmp(name, "printer-is-shared")) queue.shared = ippGetBoolean(a, 0) != 0;
    else if (!std::strcmp(name, "printer-state")) queue.state = ippGetInteger(a, 0);
    else if (!std::strcmp(name, "queued-job-count")) queue.queuedJobs = ippGetInteger(a, 0);
  }
  finish();
  ippDelete(response);
  return kSpoolerOk;
}

bool queueExists(CupsConnection& cups, const std::string& name) {
  ipp_t* request = newQueueRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, name);
  static const char* const kName[] = {"printer-name"};
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 1, nullptr,
                kName);
  return cups.send(request, "/") == kSpoolerOk;
}

std::string cupsBackendFolder() {
  const char* serverBin = std::getenv("CUPS_SERVERBIN");
  std::string folder = serverBin && *serverBin ? serverBin : VELLORA_CUPS_SERVERBIN;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder + "/backend";
}

bool isValidQueueName(const std::string& name) {
  if (name.empty() || name.size() > 127) return false;
  for (std::size_t i = 0; i < name.size();) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (c <= ' ' || c == 127 || std::strchr("/\\?'\"#@", c)) return false;
    if (c < 0x80) {
      ++i;
      continue;
    }
    // One UTF-8 sequence: a lead byte and its continuation bytes.
    std::size_t length = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (length == 0 || i + length > name.size()) return false;
    for (std::size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(name[i + k]) & 0xC0) != 0x80) return false;
    i += length;
  }
  return true;
}

std::string deviceUriForPort(const std::string& port) {
  if (port.size() < 2 || port.back() != ':') return port;
  std::string scheme = port.substr(0, port.size() - 1);
  for (char& c : scheme) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '+' && c != '.') return port;
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return scheme + ":/";
}

std::string portForDeviceUri(const std::string& uri) {
  std::string::size_type colon = uri.find(':');
  if (colon == std::string::npos || colon == 0 || uri.substr(colon) != ":/") return uri;
  std::string port = uri.substr(0, colon);
  for (char& c : port) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return port + ":";
}

std::string schemeOfDiscoveryLine(const std::string& line) {
  // "class uri \"make and model\" \"info\" ..."
  std::string::size_type start = line.find_first_not_of(" \t");
  if (start == std::string::npos) return std::string();
  std::string::size_type gap = line.find_first_of(" \t", start);
  if (gap == std::string::npos) return std::string();
  std::string::size_type uri = line.find_first_not_of(" \t", gap);
  if (uri == std::string::npos) return std::string();
  std::string::size_type colon = line.find(':', uri);
  if (colon == std::string::npos || colon == uri) return std::string();
  std::string scheme = line.substr(uri, colon - uri);
  for (char c : scheme)
    if (!std::islower(static_cast<unsigned char>(c)) && !std::isdigit(static_cast<unsigned char>(c)) &&
        c != '-' && c != '+' && c != '.')
      return std::string();
  return scheme;
}

}  // namespace posix
}  // namespace platform
