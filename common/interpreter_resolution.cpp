#include "common/interpreter_resolution.h"

#include "common/interpreter_discovery.h"
#include "common/interpreter_names.h"
#include "common/interpreter_registry.h"
#include "common/interpreter_texts.h"
#include "common/text.h"
#include "platform/files.h"
#include "platform/system.h"
#include "platform/ui.h"

namespace vellora {

namespace {

std::string dropTail(const std::string& text, std::size_t length) {
  return text.size() >= length ? text.substr(0, text.size() - length) : std::string();
}

bool onWindows9x() { return platform::osVersion().platform == platform::kWin32Windows; }

}  // namespace

std::string GhostscriptDirectoryOf(const std::string& key) {
  if (!contains(key, "\\Norvale"))
    return dropTail(ReadMachineString(key, "GS_DLL"), GhostscriptLibraryName().size());
  return dropTail(ReadMachineString(key, "GS_EXE"), GhostscriptConsoleName().size());
}

std::string GhostscriptDirectory() { return GhostscriptDirectoryOf(ReadInterpreterLocation()); }

std::string GhostscriptLibPath() { return ReadMachineString(ReadInterpreterLocation(), "GS_LIB"); }

InterpreterResolution ResolveInterpreter(const InterpreterChoice& choice,
                                         const std::string& systemDir,
                                         const std::string& includePath) {
  InterpreterResolution result;
  result.kind = choice.kind;
  result.distiller6Syntax = choice.distiller6Syntax;
  result.includePath = cut(includePath, kIncludePathCapacity);
  result.found = true;

  switch (choice.kind) {
    case InterpreterKind::Distiller: {
      result.executable = cut(ReadMachineString(kDistillerAppPathsKey, ""), kInterpreterExeCapacity);
      result.found = result.executable.size() >= 2 && platform::fileExists(result.executable);
      break;
    }
    case InterpreterKind::OwnGhostscript:
      result.executable = cut(OwnGhostscriptRelativePath(), kInterpreterExeCapacity);
      result.found = OwnGhostscriptPresent(systemDir);
      break;
    case InterpreterKind::Ghostscript:
      result.includePath =
          formatCut(kIncludePathCapacity, "\"%s\"", GhostscriptLibPath().c_str());
      result.executable = formatCut(kInterpreterExeCapacity, "%s%s", GhostscriptDirectory().c_str(),
                                    GhostscriptConsoleName().c_str());
      result.found = platform::fileExists(result.executable);
      break;
    case InterpreterKind::PStill: {
      // An empty folder value would make the program name a path from the
      // root of the current drive; it counts as not installed.
      std::string folder = ReadMachineString(kPStillRoot, "");
      result.executable = formatCut(kInterpreterExeCapacity, "%s%s%s", folder.c_str(),
                                    platform::kPathSeparator, PStillProgramName().c_str());
      result.found = folder.size() >= 2 && platform::fileExists(result.executable);
      break;
    }
    case InterpreterKind::NoInterpreter:
    case InterpreterKind::UnknownInterpreter:
      return result;
  }

  if (!result.found) {
    if (!onWindows9x())
      platform::ui().messageBox(kTextInterpreterMissing, kTextProductName,
                                platform::kMbOk | platform::kMbIconWarning);
    result.kind = InterpreterKind::NoInterpreter;
  }
  return result;
}

}  // namespace vellora
