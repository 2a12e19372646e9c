#include "common/interpreter_location.h"

#include "common/interpreter_registry.h"
#include "common/product.h"
#include "common/text.h"
#include "platform/registry.h"

namespace vellora {

namespace {

constexpr const char kSoftwarePrefix[] = "SOFTWARE\\";
constexpr std::size_t kSoftwarePrefixLength = sizeof kSoftwarePrefix - 1;  // nine

}  // namespace

std::string ReadInterpreterLocation() {
  return ReadMachineString(kProductKey, kInterpreterLocationValue);
}

void StoreInterpreterLocation(const std::string& location) {
  platform::RegKey key;
  if (key.create(platform::HKLM, kProductKey) != platform::kRegOk) return;
  key.setString(kInterpreterLocationValue, location);
}

bool AcceptDistillerVersion(const std::string& candidate) {
  if (!contains(candidate, "Acrobat")) return true;
  return contains(candidate, "5.0") || contains(candidate, "6.0") || contains(candidate, "7.0");
}

std::string InterpreterDisplayName(const std::string& location) {
  if (!contains(location, "SOFTWARE")) return location;
  std::string shown =
      location.size() > kSoftwarePrefixLength ? location.substr(kSoftwarePrefixLength) : std::string();
  replaceFirst(shown, "\\", " - ");
  replaceFirst(shown, "\\", " - ");
  return shown;
}

std::string InterpreterLocationFromDisplay(const std::string& shown) {
  if (contains(shown, "None")) return contains(shown, "None Found") ? kTextNoneFound : kTextNone;
  if (contains(shown, "(kelp)")) return kOwnGhostscriptLocation;
  std::string key = shown;
  if (!contains(shown, "PStill")) {
    replaceFirst(key, " - ", "\\");
    replaceFirst(key, " - ", "\\");
  }
  return formatCut(kKeyTextCapacity, "SOFTWARE\\%s", key.c_str());
}

InterpreterChoice ClassifyInterpreterLocation(const std::string& location) {
  // Later tests override earlier ones: the own Ghostscript's name also
  // contains "Ghostscript".
  InterpreterChoice choice;
  if (contains(location, "Acrobat")) {
    choice.kind = InterpreterKind::Distiller;
    choice.distiller6Syntax =
        contains(location, "6") || contains(location, "7") || contains(location, "8");
  }
  if (contains(location, "Ghostscript")) choice.kind = InterpreterKind::Ghostscript;
  if (contains(location, "(kelp)")) choice.kind = InterpreterKind::OwnGhostscript;
  if (contains(location, "GPStill")) choice.kind = InterpreterKind::PStill;
  if (contains(location, kTextNone)) choice.kind = InterpreterKind::NoInterpreter;
  if (contains(location, kTextNoneFound)) choice.kind = InterpreterKind::NoInterpreter;
  return choice;
}

InterpreterChoice ClassifyInterpreter() {
  return ClassifyInterpreterLocation(ReadInterpreterLocation());
}

}  // namespace vellora
