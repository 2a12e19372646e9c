// Printer classes and sharing on CUPS (how they map: spooler.h).
#include <cups/cups.h>
#include <strings.h>

#include <cstring>

#include "spooler/posix/spooler_cups.h"
#include "spooler/spooler.h"

namespace platform {

namespace {

using posix::CupsConnection;

// A request about one class: printer-uri (its /classes/ address) and
// requesting-user-name set.
ipp_t* newClassRequest(ipp_op_t operation, const std::string& name) {
  ipp_t* request = ippNewRequest(operation);
  char uri[HTTP_MAX_URI];
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/classes/%s",
                   name.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
  return request;
}

// What sharing takes on a queue or class: the flag, and the policy without
// which a network client's claimed name would be believed.
void addSharing(ipp_t* request, bool shared) {
  ippAddBoolean(request, IPP_TAG_PRINTER, "printer-is-shared", shared ? 1 : 0);
  ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_NAME, "printer-op-policy", nullptr,
               posix::kAuthenticatedPolicy);
}

int listClasses(CupsConnection& cups, std::vector<PrinterClass>* classes) {
  classes->clear();
  static const char* const kAttributes[] = {"printer-name", "member-names", "printer-is-shared"};
  ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_CLASSES);
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr, kAttributes);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
  ipp_t* response = nullptr;
  int code = cups.send(request, "/", std::string(), &response);
  if (code == kSpoolerInvalidPrinterName) code = kSpoolerOk;  // no classes at all
  if (code != kSpoolerOk || !response) {
    if (response) ippDelete(response);
    return code;
  }
  PrinterClass current;
  auto finish = [&] {
    if (!current.name.empty()) classes->push_back(current);
    current = PrinterClass();
  };
  for (ipp_attribute_t* a = ippFirstAttribute(response); a; a = ippNextAttribute(response)) {
    if (ippGetGroupTag(a) != IPP_TAG_PRINTER) {
      finish();
      continue;
    }
    const char* name = ippGetName(a);
    if (!name) continue;
    if (!std::strcmp(name, "printer-name")) {
      const char* value = ippGetString(a, 0, nullptr);
      current.name = value ? value : "";
    } else if (!std::strcmp(name, "member-names")) {
      for (int i = 0; i < ippGetCount(a); ++i) {
        const char* member = ippGetString(a, i, nullptr);
        if (member) current.members.push_back(member);
      }
    } else if (!std::strcmp(name, "printer-is-shared")) {
      current.shared = ippGetBoolean(a, 0) != 0;
    }
  }
  finish();
  ippDelete(response);
  return kSpoolerOk;
}

bool isClass(CupsConnection& cups, const std::string& name) {
  std::vector<PrinterClass> classes;
  if (listClasses(cups, &classes) != kSpoolerOk) return false;
  for (const PrinterClass& printerClass : classes)
    if (strcasecmp(printerClass.name.c_str(), name.c_str()) == 0) return true;
  return false;
}

}  // namespace

int addPrinterClass(const PrinterClass& printerClass) {
  if (!posix::isValidQueueName(printerClass.name) || printerClass.members.empty()) return kSpoolerInvalidPrinterName;
  CupsConnection cups;
  if (!cups.connected()) return kSpoolerServerUnavailable;
  // A printer of that name is not a class: adding would turn it into one.
  if (posix::queueExists(cups, printerClass.name) && !isClass(cups, printerClass.name))
    return kSpoolerPrinterExists;
  std::vector<std::string> uris;
  for (const std::string& member : printerClass.members) {
    if (!posix::isValidQueueName(member)) return kSpoolerInvalidPrinterName;
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s",
                     member.c_str());
    uris.push_back(uri);
  }
  std::vector<const char*> values;
  for (const std::string& uri : uris) values.push_back(uri.c_str());
  ipp_t* request = newClassRequest(IPP_OP_CUPS_ADD_MODIFY_CLASS, printerClass.name);
  ippAddStrings(request, IPP_TAG_PRINTER, IPP_TAG_URI, "member-uris", static_cast<int>(values.size()), nullptr,
                values.data());
  ippAddBoolean(request, IPP_TAG_PRINTER, "printer-is-accepting-jobs", 1);
  ippAddInteger(request, IPP_TAG_PRINTER, IPP_TAG_ENUM, "printer-state", IPP_PSTATE_IDLE);
  addSharing(request, printerClass.shared);
  return cups.send(request, "/admin/");
}

int enumPrinterClasses(std::vector<PrinterClass>* classes) {
  classes->clear();
  CupsConnection cups;
  if (!cups.connected()) return kSpoolerServerUnavailable;
  return listClasses(cups, classes);
}

int deletePrinterClass(const std::string& name) {
  CupsConnection cups;
  if (!cups.connected()) return kSpoolerServerUnavailable;
  if (!posix::isValidQueueName(name) || !isClass(cups, name)) return kSpoolerInvalidPrinterName;
  return cups.send(newClassRequest(IPP_OP_CUPS_DELETE_CLASS, name), "/admin/");
}

int sharePrinter(const std::string& name, bool shared) {
  CupsConnection cups;
  if (!cups.connected()) return kSpoolerServerUnavailable;
  if (!posix::isValidQueueName(name) || !posix::queueExists(cups, name)) return kSpoolerInvalidPrinterName;
  ipp_t* request = isClass(cups, name) ? newClassRequest(IPP_OP_CUPS_ADD_MODIFY_CLASS, name)
                                       : posix::newQueueRequest(IPP_OP_CUPS_ADD_MODIFY_PRINTER, name);
  addSharing(request, shared);
  return cups.send(request, "/admin/");
}

}  // namespace platform
