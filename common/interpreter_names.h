// File names of the interpreters the converter can drive, spelled for the
// platform it runs on. The discovery logic drops "the length of the file
// name" from registry values, so it must use these lengths and not the
// Windows spellings, or a real Ghostscript would never be found elsewhere.
//
// Registry key paths stay with backslashes on every platform: they name
// registry keys, not files.
#pragma once

#include <string>

namespace vellora {

// Ghostscript's console program: "gswin32c.exe" on Windows, "gs" elsewhere.
const std::string& GhostscriptConsoleName();
// Ghostscript's shared library: "gsdll32.dll" on Windows, "libgs.so.10" elsewhere.
const std::string& GhostscriptLibraryName();
// PStill's program: "pstill.exe" on Windows, "pstill" elsewhere.
const std::string& PStillProgramName();

// The folder of the product's own Ghostscript under the system folder.
constexpr const char kOwnGhostscriptFolder[] = "kelp";
// The own Ghostscript's console program relative to the system folder
// ("kelp\\bin\\gswin32c.exe" on Windows).
const std::string& OwnGhostscriptRelativePath();

// HKEY_LOCAL_MACHINE key whose default value is the Distiller program.
constexpr const char kDistillerAppPathsKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\AcroDist.exe";

}  // namespace vellora
