// vlrun: starts the converter, hidden, with vlrun's own command line, and
// ends at once.
#pragma once

#include <cstddef>
#include <string>

namespace vellora {

// Capacity of the converter's command.
constexpr std::size_t kLauncherCommandCapacity = 780;

// The converter's command for a command line: the converter in the product
// folder, then the command line unchanged. Empty when it would not fit its
// buffer.
std::string launcherCommand(const std::string& productFolder, const std::string& commandLine);

// Starts the converter without waiting for it or checking the start.
// Returns the exit code: 0, or 1 when the command line was too long to
// forward.
int runLauncher(const std::string& commandLine);

}  // namespace vellora
