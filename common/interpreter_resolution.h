// Turning the classified interpreter choice into the program a job runs.
#pragma once

#include <cstddef>
#include <string>

#include "common/interpreter_location.h"

namespace vellora {

// Capacities of the job's interpreter program and library path.
constexpr std::size_t kInterpreterExeCapacity = 261;
constexpr std::size_t kIncludePathCapacity = 780;

// The directory, with its trailing separator, of the Ghostscript registered
// under a key: from "GS_EXE" for the maker's own package (a key path with
// "\\Norvale"), else from "GS_DLL". Empty when the value is shorter than the
// file name it should end in.
std::string GhostscriptDirectoryOf(const std::string& key);
// The same for the stored location.
std::string GhostscriptDirectory();
// "GS_LIB" of the stored location's key.
std::string GhostscriptLibPath();

// What a job needs to run its interpreter.
struct InterpreterResolution {
  InterpreterKind kind = InterpreterKind::NoInterpreter;
  // A full path, except for the own Ghostscript: relative to the system
  // folder (OwnGhostscriptRelativePath()).
  std::string executable;
  std::string includePath;
  bool found = false;
  bool distiller6Syntax = false;
};

// Resolves the choice EnsureInterpreter made. `systemDir` is the job's system
// folder; `includePath` the library path the job set at its start, kept for
// every kind but an installed Ghostscript. When the chosen program is missing
// the user is warned (not on the Windows 95/98/Me family) and the job writes
// PostScript: the kind becomes NoInterpreter. The stored location is never
// changed here.
InterpreterResolution ResolveInterpreter(const InterpreterChoice& choice,
                                         const std::string& systemDir,
                                         const std::string& includePath);

}  // namespace vellora
