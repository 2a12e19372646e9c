// The interpreter location: the one string value that records which
// PostScript interpreter the converter uses, its forms, how it is shown to
// the user and read back, and what kind of interpreter it names.
#pragma once

#include <cstddef>
#include <string>

#include "common/interpreter_texts.h"
#include "common/text.h"

namespace vellora {

// Numbered as the converter's job record numbers them.
enum class InterpreterKind : int {
  Distiller = 0,
  OwnGhostscript = 1,
  Ghostscript = 2,
  PStill = 3,
  NoInterpreter = -1,
  UnknownInterpreter = -3,
};

// HKEY_LOCAL_MACHINE kProductKey value holding the location.
constexpr const char kInterpreterLocationValue[] = "InterpreterLocation";

// The location forms that are not registry keys.
constexpr const char kOwnGhostscriptLocation[] = "GNU Ghostscript 7.06 (kelp)";
constexpr const char kOwnGhostscriptVersion[] = "7.06";
constexpr const char* const kNoneLocation = kTextNone;
constexpr const char* const kNoneFoundLocation = kTextNoneFound;

// The interpreter roots under HKEY_LOCAL_MACHINE, in the order they are
// always probed.
constexpr const char kDistillerRoot[] = "SOFTWARE\\Adobe\\Acrobat Distiller";
constexpr const char kNorvaleGhostscriptRoot[] = "SOFTWARE\\Norvale\\GPL Ghostscript";
constexpr const char kGnuGhostscriptRoot[] = "SOFTWARE\\GNU Ghostscript";
constexpr const char kGplGhostscriptRoot[] = "SOFTWARE\\GPL Ghostscript";
constexpr const char kAfplGhostscriptRoot[] = "SOFTWARE\\AFPL Ghostscript";
constexpr const char kPStillRoot[] = "SOFTWARE\\GPStill";
constexpr std::size_t kInterpreterRootCount = 6;
constexpr const char* const kInterpreterRoots[kInterpreterRootCount] = {
    kDistillerRoot,      kNorvaleGhostscriptRoot, kGnuGhostscriptRoot,
    kGplGhostscriptRoot, kAfplGhostscriptRoot,    kPStillRoot,
};

// Capacities: a location read from the registry (a registry key text and a
// subkey name as enumerated hold kKeyTextCapacity).
constexpr std::size_t kLocationCapacity = 780;

// The stored location; empty when missing or unreadable.
std::string ReadInterpreterLocation();
// Stores a location (creating the key when needed); a failed write is silent.
void StoreInterpreterLocation(const std::string& location);

// Whether a candidate key may be offered: anything that is not an Acrobat key,
// and Acrobat keys of versions 5.0, 6.0 and 7.0.
bool AcceptDistillerVersion(const std::string& candidate);

// The text shown for a location, and the location a shown text stands for.
std::string InterpreterDisplayName(const std::string& location);
std::string InterpreterLocationFromDisplay(const std::string& shown);

struct InterpreterChoice {
  InterpreterKind kind = InterpreterKind::UnknownInterpreter;
  // The newer Distiller command form applies.
  bool distiller6Syntax = false;
};

// The kind a location names.
InterpreterChoice ClassifyInterpreterLocation(const std::string& location);
// The kind of the stored location.
InterpreterChoice ClassifyInterpreter();

}  // namespace vellora
