#include "monitor/win32/printer_choice.h"

#include <windows.h>
#include <winspool.h>

#include "common/monitor_contract.h"

namespace vellora {
namespace monitor {

namespace {

bool portListHas(const char* ports, const std::string& port) {
  if (ports == nullptr) return false;
  std::string list = ports;
  std::string::size_type start = 0;
  while (start <= list.size()) {
    std::string::size_type comma = list.find(',', start);
    std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    while (!item.empty() && item.front() == ' ') item.erase(0, 1);
    while (!item.empty() && item.back() == ' ') item.pop_back();
    if (lstrcmpiA(item.c_str(), port.c_str()) == 0) return true;
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return false;
}

}  // namespace

std::string choosePrinter(const std::string& fromSpooler, const std::vector<std::string>& onPort,
                          std::string* note) {
  if (!fromSpooler.empty()) return fromSpooler;
  if (onPort.size() == 1) {
    *note = "the spooler named no printer; \"" + onPort.front() + "\" is the one printer on the port";
    return onPort.front();
  }
  if (onPort.empty()) {
    *note = std::string("the spooler named no printer and none is on the port; taking \"") + kPrinterName + "\"";
    return kPrinterName;
  }
  for (const std::string& name : onPort) {
    if (name == kPrinterName) {
      *note = std::string("the spooler named no printer and several are on the port; taking \"") + kPrinterName +
              "\"";
      return name;
    }
  }
  *note = "the spooler named no printer and several are on the port; taking \"" + onPort.front() + "\"";
  return onPort.front();
}

std::vector<std::string> printersOnPort(const std::string& port) {
  std::vector<std::string> names;
  DWORD needed = 0;
  DWORD count = 0;
  EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
  if (needed == 0) return names;
  std::vector<BYTE> buffer(needed);
  if (!EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed, &count)) return names;
  const PRINTER_INFO_2A* printers = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
  for (DWORD i = 0; i < count; ++i)
    if (printers[i].pPrinterName && portListHas(printers[i].pPortName, port)) names.push_back(printers[i].pPrinterName);
  return names;
}

}  // namespace monitor
}  // namespace vellora
