// The drag-and-drop program: it gets one document turned into a PDF. A
// PostScript or PDF file goes straight to the converter; an Excel workbook or Word
// document whose application answers DDE is printed by that application; any
// other file through the print verb of the application that owns its type,
// aimed at the printer "Vellora". It never waits for the conversion.
#pragma once

#include <cstddef>
#include <string>

#include "launchers/vellora/dde_print.h"

namespace vellora {

// Capacity of the command line and of the converter's command.
constexpr std::size_t kDropCommandLineCapacity = 260;
constexpr std::size_t kDropConverterCommandCapacity = 260;
// How many times the dispatch runs for one document when the DDE step keeps
// failing.
constexpr int kDropDispatchAttempts = 3;

// One run of the program.
struct DropJob {
  std::string commandLine;  // taken whole as the path of one document
  std::string document;     // the path, without the quotes around it
  std::string typeTail;     // ".ps", "xls", "doc", ... or empty
  DdeClientState dde;
  int ddeFailures = 0;
};

// The three characters before a closing quote, or the last three; empty
// when the command line is shorter than that.
std::string typeTail(const std::string& commandLine);

// The document a command line names: the one argument of a quoted command
// line, otherwise the whole line (a path with blanks passed unquoted).
std::string documentPath(const std::string& commandLine);

// The program: shows what happened when there is something to tell and
// returns the exit code, always 0.
int runDropProgram(const std::string& commandLine, int ddeRetryPauseMilliseconds = 500);

// Starts the converter on the document in mode 9993 (PostScript or PDF).
void ConvertPostScriptFile(DropJob& job);
void DispatchPrint(DropJob& job);

}  // namespace vellora
