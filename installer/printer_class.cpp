#include "installer/printer_class.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <vector>

#include "common/monitor_contract.h"
#include "common/text.h"
#include "installer/install_log.h"
#include "platform/registry.h"

namespace vellora {

namespace {

using platform::PrinterClass;
using platform::PrinterRecord;

bool sameName(const std::string& a, const std::string& b) { return equalsIgnoreCase(a, b); }

std::string memberName(int number) { return std::string(kPrinterName) + "-" + std::to_string(number); }

// The number of a member name ("Vellora-3" gives 3); 0 for any other name.
int memberNumber(const std::string& name) {
  const std::string head = std::string(kPrinterName) + "-";
  if (name.size() <= head.size() || !sameName(name.substr(0, head.size()), head)) return 0;
  int number = 0;
  for (std::size_t i = head.size(); i < name.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i])) || number > 100000) return 0;
    number = number * 10 + (name[i] - '0');
  }
  return number;
}

bool productClass(PrinterClass* found) {
  std::vector<PrinterClass> classes;
  if (platform::enumPrinterClasses(&classes) != 0) return false;
  for (const PrinterClass& printerClass : classes)
    if (printerClass.name == kPrinterName) {
      *found = printerClass;
      return true;
    }
  return false;
}

std::vector<PrinterRecord> printers() {
  std::vector<PrinterRecord> all;
  if (platform::enumPrinters(&all) != 0) all.clear();
  return all;
}

const PrinterRecord* findPrinter(const std::vector<PrinterRecord>& all, const std::string& name) {
  for (const PrinterRecord& printer : all)
    if (sameName(printer.printerName, name)) return &printer;
  return nullptr;
}

// The first member name from "Vellora-1" on that no printer or class has.
std::string freeMemberName(const std::vector<std::string>& taken) {
  for (int number = 1;; ++number) {
    const std::string name = memberName(number);
    bool used = false;
    for (const std::string& other : taken) used = used || sameName(other, name);
    if (!used) return name;
  }
}

std::vector<std::string> namesOf(const std::vector<PrinterRecord>& all) {
  std::vector<std::string> names;
  for (const PrinterRecord& printer : all) names.push_back(printer.printerName);
  names.push_back(kPrinterName);
  return names;
}

void recordMember(const std::string& member) {
  platform::RegKey members;
  if (members.create(platform::HKLM, kClassMembersKey) == platform::kRegOk) members.setString(member, kPrinterName);
}

void forgetMember(const std::string& member) {
  platform::RegKey members;
  if (members.open(platform::HKLM, kClassMembersKey, platform::kRegWrite) == platform::kRegOk)
    members.deleteValue(member);
}

std::vector<std::string> recordedMembers() {
  std::vector<std::string> names;
  platform::RegKey members;
  if (members.open(platform::HKLM, kClassMembersKey, platform::kRegRead) != platform::kRegOk) return names;
  std::string name;
  platform::RegType type;
  std::string data;
  for (std::uint32_t index = 0; members.enumValue(index, &name, &type, &data) == platform::kRegOk; ++index)
    names.push_back(name);
  return names;
}

// Adds a member queue: a copy of the product printer, not shared itself.
bool addMember(PrinterRecord record, const std::string& name, const std::string& port) {
  record.printerName = name;
  if (!port.empty()) record.portName = port;
  record.attributes &= ~platform::kPrinterAttributeShared;
  LogInstall("%sAttempting to install virtual printer: %s\n", name.c_str());
  const int code = platform::addPrinter(record);
  if (code != 0) {
    LogInstall("%sError installing print driver [%d]: %s\n", code, SystemMessageText(code).c_str());
    return false;
  }
  recordMember(name);
  return true;
}

void deleteMember(const std::string& name) {
  platform::deletePrinter(name);
  forgetMember(name);
}

bool isLocalMember(const std::vector<PrinterRecord>& all, const std::string& name) {
  const PrinterRecord* record = findPrinter(all, name);
  return record && record->portName == kMonitorPort;
}

// The queue "Vellora" gives way to a class of count members.
bool queueBecomesClass(const PrinterRecord& queue, int count) {
  if (queue.jobs > 0) {
    LogInstall("%sThe printer %s has jobs waiting; it stays a printer\n", kPrinterName);
    return false;
  }
  std::vector<PrinterRecord> all = printers();
  std::vector<std::string> taken = namesOf(all), members;
  bool ok = true;
  while (ok && static_cast<int>(members.size()) < count) {
    const std::string name = freeMemberName(taken);
    taken.push_back(name);
    ok = addMember(queue, name, std::string());
    if (ok) members.push_back(name);
  }
  const bool shared = (queue.attributes & platform::kPrinterAttributeShared) != 0;
  if (ok && platform::deletePrinter(kPrinterName) == 0) {
    if (platform::addPrinterClass({kPrinterName, members, shared}) == 0) return true;
    // Without its class the printer comes back as it was.
    PrinterRecord restored = queue;
    platform::addPrinter(restored);
  }
  for (const std::string& member : members) deleteMember(member);
  return false;
}

}  // namespace

bool ProductPrinterRecord(PrinterRecord* record) {
  const std::vector<PrinterRecord> all = printers();
  if (const PrinterRecord* queue = findPrinter(all, kPrinterName)) {
    if (queue->printerName == kPrinterName) {
      *record = *queue;
      return true;
    }
  }
  PrinterClass printerClass;
  if (!productClass(&printerClass)) return false;
  for (const std::string& member : printerClass.members) {
    const PrinterRecord* found = findPrinter(all, member);
    if (found && found->portName == kMonitorPort) {
      *record = *found;
      record->printerName = kPrinterName;
      record->attributes = (record->attributes & ~platform::kPrinterAttributeShared) |
                           (printerClass.shared ? platform::kPrinterAttributeShared : 0u);
      return true;
    }
  }
  return false;
}

bool MakePrinterClass(int count) {
  if (count < 1 || count > kMaxClassMembers) return false;
  PrinterRecord product;
  if (!ProductPrinterRecord(&product)) return false;
  PrinterClass printerClass;
  if (!productClass(&printerClass)) return queueBecomesClass(product, count);

  const std::vector<PrinterRecord> all = printers();
  std::vector<std::string> local, others;
  for (const std::string& member : printerClass.members)
    (isLocalMember(all, member) ? local : others).push_back(member);
  // In the order they were made: with too many, the last made go first.
  std::sort(local.begin(), local.end(),
            [](const std::string& a, const std::string& b) { return memberNumber(a) < memberNumber(b); });
  bool ok = true;
  std::vector<std::string> leaving;
  std::vector<std::string> taken = namesOf(all);
  while (ok && static_cast<int>(local.size()) < count) {
    const std::string name = freeMemberName(taken);
    taken.push_back(name);
    ok = addMember(product, name, std::string());
    if (ok) local.push_back(name);
  }
  // Members beyond the count go, the last made first; one with a job stays.
  int kept = static_cast<int>(local.size());
  for (std::size_t i = local.size(); i-- > 0 && kept > count;) {
    const PrinterRecord* record = findPrinter(all, local[i]);
    if (record && record->jobs > 0) continue;
    leaving.push_back(local[i]);
    --kept;
  }
  ok = ok && kept <= count;
  std::vector<std::string> members;
  for (const std::string& member : local)
    if (std::find(leaving.begin(), leaving.end(), member) == leaving.end()) members.push_back(member);
  members.insert(members.end(), others.begin(), others.end());
  if (platform::addPrinterClass({kPrinterName, members, printerClass.shared}) != 0) return false;
  for (const std::string& member : leaving) deleteMember(member);
  return ok;
}

bool AddRemoteMember(const std::string& uri) {
  const bool ipp = uri.compare(0, 6, "ipp://") == 0 || uri.compare(0, 7, "ipps://") == 0;
  if (!ipp || uri.size() > 1000 || uri.find_first_of(" \t\r\n") != std::string::npos) return false;
  PrinterClass printerClass;
  PrinterRecord product;
  if (!productClass(&printerClass) || !ProductPrinterRecord(&product)) return false;
  const std::string name = freeMemberName(namesOf(printers()));
  if (!addMember(product, name, uri)) return false;
  std::vector<std::string> members = printerClass.members;
  members.push_back(name);
  if (platform::addPrinterClass({kPrinterName, members, printerClass.shared}) == 0) return true;
  deleteMember(name);
  return false;
}

bool ShareProductPrinters() {
  const std::vector<std::string> members = recordedMembers();
  PrinterClass printerClass;
  const bool isClass = productClass(&printerClass);
  bool found = isClass, ok = true;
  if (isClass) ok = platform::sharePrinter(kPrinterName, true) == 0;
  for (const PrinterRecord& printer : printers()) {
    if (printer.portName != kMonitorPort) continue;
    bool member = false;
    for (const std::string& name : members) member = member || sameName(name, printer.printerName);
    if (member) continue;
    found = found || printer.printerName == kPrinterName;
    if (platform::sharePrinter(printer.printerName, true) != 0) ok = false;
  }
  return found && ok;
}

void RemovePrinterClass() {
  PrinterClass printerClass;
  if (productClass(&printerClass)) platform::deletePrinterClass(kPrinterName);
  // The members the installer made; a printer someone else put into the
  // class stays.
  std::vector<std::string> members;
  for (const std::string& recorded : recordedMembers()) {
    platform::RegKey key;
    std::string printer;
    if (key.open(platform::HKLM, kClassMembersKey, platform::kRegRead) == platform::kRegOk &&
        key.queryString(recorded, &printer) == platform::kRegOk && printer == kPrinterName)
      members.push_back(recorded);
  }
  for (const std::string& member : members) deleteMember(member);
}

}  // namespace vellora
