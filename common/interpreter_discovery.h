// Finding the PostScript interpreters installed on the machine, choosing one
// automatically and making sure every job starts with a stored choice.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "common/interpreter_location.h"

namespace vellora {

// The list holds at most this many entries, its closing None entry included.
constexpr std::size_t kInterpreterListCapacity = 256;
// Automatic selection weighs at most this many candidates.
constexpr std::size_t kAutoSelectCapacity = 50;

// Whether the own Ghostscript's console program exists under the system
// folder (the platform's own system folder when none is given).
bool OwnGhostscriptPresent();
bool OwnGhostscriptPresent(const std::string& systemDir);

// Every interpreter location on offer, in root order, ending with
// "None (Write Postscript Files)" when any was found and with
// "None Found (Write Postscript Files)" when none was.
std::vector<std::string> ListInterpreters();
// The size of ListInterpreters(); above 1 when any interpreter exists.
int CountInterpreters();

// What the options page's interpreter box shows: the display names in list
// order, the locations they stand for, and the entry to select (the one equal
// to the stored location, else 0).
struct InterpreterComboContent {
  std::vector<std::string> displayNames;
  std::vector<std::string> locations;
  int selected = 0;
};
InterpreterComboContent InterpreterComboEntries();

// One contender of automatic selection.
struct InterpreterCandidate {
  std::string location;
  std::string version;  // read as a decimal number from its start
};
// The index of the candidate with the highest version; on equal numbers the
// earlier one. -1 for no candidates.
int BestInterpreterCandidate(const std::vector<InterpreterCandidate>& candidates);

// Stores the best installed interpreter; false (and nothing stored) when
// there is none.
bool AutoSelectInterpreter();

// Makes sure a choice is stored, selecting one when none is (or when the last
// attempt found none), and classifies it. Tells the user once, on the first
// job that finds nothing at all, that plain PostScript will be written.
InterpreterChoice EnsureInterpreter();

}  // namespace vellora
