// Registers a Ghostscript that is already installed on the machine the way
// the product's own Ghostscript package registers itself (HKEY_LOCAL_MACHINE
// "SOFTWARE\\Norvale\\GPL Ghostscript\\<version>" with "GS_EXE", "GS_DLL"
// and "GS_LIB"), so that automatic interpreter selection finds it on a fresh
// machine without anyone editing the registry by hand.
#pragma once

#include <string>

namespace vellora {

// Registers the Ghostscript console program at `program`, or the one found
// on PATH when it is empty. The program must carry the platform's console
// program name (GhostscriptConsoleName()), because its directory is later
// recovered by dropping that name. Appends what it did, or why it failed, to
// *log (one "\n"-ended line each). Returns 0 on success, 1 on failure.
int RegisterHostGhostscript(std::string* log, const std::string& program = std::string());

// The first directory of PATH holding a file of this name, joined with it;
// empty when none does.
std::string FindProgramOnPath(const std::string& name);
// The registry subkey for a version as "gs --version" prints it: its first
// two numeric parts ("10.00.0" gives "10.00"); empty when it is no version.
std::string GhostscriptVersionKeyName(const std::string& versionOutput);
// The directories of the "Search path:" block of "gs -h" output, joined with
// the platform's path-list separator; empty when there is no such block.
std::string ParseGhostscriptSearchPath(const std::string& helpOutput);
// Ghostscript's shared library for the console program at `program`: beside
// it, or in a "lib"/"lib64" folder next to its folder or one level below
// that; empty when none is found.
std::string FindGhostscriptLibrary(const std::string& program);

}  // namespace vellora
