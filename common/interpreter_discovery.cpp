#include "common/interpreter_discovery.h"

#include "common/interpreter_names.h"
#include "common/interpreter_registry.h"
#include "common/interpreter_texts.h"
#include "common/text.h"
#include "platform/files.h"
#include "platform/ui.h"

namespace vellora {

namespace {

// The roots automatic selection weighs: Distiller, the maker's GPL package,
// GNU and AFPL Ghostscript (not the plain GPL key, not PStill).
constexpr const char* const kAutoSelectRoots[] = {
    kDistillerRoot, kNorvaleGhostscriptRoot, kGnuGhostscriptRoot, kAfplGhostscriptRoot};

std::string joinKey(const std::string& root, const std::string& subkey) {
  return formatCut(kKeyTextCapacity, "%s\\%s", root.c_str(), subkey.c_str());
}

}  // namespace

bool OwnGhostscriptPresent() { return OwnGhostscriptPresent(platform::systemFolder()); }

bool OwnGhostscriptPresent(const std::string& systemDir) {
  return platform::fileExists(systemDir + platform::kPathSeparator + OwnGhostscriptRelativePath());
}

std::vector<std::string> ListInterpreters() {
  // One slot stays free for the None entry.
  const std::size_t room = kInterpreterListCapacity - 1;
  std::vector<std::string> list;
  if (OwnGhostscriptPresent()) list.push_back(kOwnGhostscriptLocation);
  for (const char* root : kInterpreterRoots) {
    if (list.size() >= room) break;
    if (!MachineKeyPresent(root)) continue;
    for (const std::string& subkey : MachineSubkeys(root)) {
      if (list.size() >= room) break;
      std::string candidate = joinKey(root, subkey);
      if (AcceptDistillerVersion(candidate)) list.push_back(candidate);
    }
    if (std::string(root) == kPStillRoot && list.size() < room) list.push_back(root);
  }
  list.push_back(list.empty() ? kNoneFoundLocation : kNoneLocation);
  return list;
}

int CountInterpreters() { return static_cast<int>(ListInterpreters().size()); }

InterpreterComboContent InterpreterComboEntries() {
  InterpreterComboContent content;
  content.locations = ListInterpreters();
  const std::string stored = ReadInterpreterLocation();
  for (std::size_t i = 0; i < content.locations.size(); ++i) {
    content.displayNames.push_back(InterpreterDisplayName(content.locations[i]));
    if (content.selected == 0 && content.locations[i] == stored)
      content.selected = static_cast<int>(i);
  }
  return content;
}

int BestInterpreterCandidate(const std::vector<InterpreterCandidate>& candidates) {
  int best = -1;
  double bestVersion = 0;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    double version = leadingNumber(candidates[i].version);
    if (best < 0 || version > bestVersion) {
      best = static_cast<int>(i);
      bestVersion = version;
    }
  }
  return best;
}

bool AutoSelectInterpreter() {
  std::vector<InterpreterCandidate> candidates;
  if (OwnGhostscriptPresent())
    candidates.push_back({kOwnGhostscriptLocation, kOwnGhostscriptVersion});
  for (const char* root : kAutoSelectRoots) {
    if (candidates.size() >= kAutoSelectCapacity) break;
    if (!MachineKeyPresent(root)) continue;
    for (const std::string& subkey : MachineSubkeys(root)) {
      if (candidates.size() >= kAutoSelectCapacity) break;
      std::string candidate = joinKey(root, subkey);
      if (AcceptDistillerVersion(candidate)) candidates.push_back({candidate, subkey});
    }
  }
  int best = BestInterpreterCandidate(candidates);
  if (best < 0) return false;
  StoreInterpreterLocation(candidates[static_cast<std::size_t>(best)].location);
  return true;
}

InterpreterChoice EnsureInterpreter() {
  const std::string stored = ReadInterpreterLocation();
  if (stored.empty() || contains(stored, "None Found")) {
    if (!AutoSelectInterpreter()) {
      if (stored.empty())
        platform::ui().messageBox(kTextNoInterpreterNotice, kTextProductName,
                                  platform::kMbOk | platform::kMbIconInformation);
      StoreInterpreterLocation(kTextNoneFound);
    }
  }
  return ClassifyInterpreter();
}

}  // namespace vellora
