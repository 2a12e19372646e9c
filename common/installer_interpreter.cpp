#include "common/installer_interpreter.h"

#include <string>
#include <vector>

#include "common/interpreter_discovery.h"
#include "common/interpreter_names.h"
#include "common/interpreter_registry.h"
#include "common/interpreter_resolution.h"
#include "common/text.h"
#include "platform/files.h"

namespace vellora {

namespace {

constexpr const char* const kInstallerRoots[] = {
    kDistillerRoot, kNorvaleGhostscriptRoot, kGnuGhostscriptRoot, kAfplGhostscriptRoot};

bool ghostscriptProgramPresent(const std::string& key) {
  std::string directory = GhostscriptDirectoryOf(key);
  return !directory.empty() && platform::fileExists(directory + GhostscriptConsoleName());
}

}  // namespace

bool InstallerAcceptsDistillerVersion(const std::string& candidate) {
  if (!contains(candidate, "Acrobat")) return true;
  return contains(candidate, "5.0") || contains(candidate, "6.0");
}

int InstallerSelectInterpreter() {
  std::vector<InterpreterCandidate> candidates;
  for (const char* root : kInstallerRoots) {
    if (candidates.size() >= kAutoSelectCapacity) break;
    if (!MachineKeyPresent(root)) continue;
    for (const std::string& subkey : MachineSubkeys(root)) {
      if (candidates.size() >= kAutoSelectCapacity) break;
      std::string candidate = formatCut(kKeyTextCapacity, "%s\\%s", root, subkey.c_str());
      if (!InstallerAcceptsDistillerVersion(candidate)) continue;
      if (contains(candidate, "Ghostscript") && !ghostscriptProgramPresent(candidate)) continue;
      candidates.push_back({candidate, subkey});
    }
  }
  int best = BestInterpreterCandidate(candidates);
  if (best < 0) return 1;
  StoreInterpreterLocation(candidates[static_cast<std::size_t>(best)].location);
  return 0;
}

}  // namespace vellora
