// The installer's own automatic interpreter selection ("findint" and the end
// of a full install). It is stricter than the converter's: it never offers
// the own Ghostscript, admits only the Distiller versions its command line
// was made for, and takes a Ghostscript only when its program is there.
#pragma once

#include <string>

namespace vellora {

// Whether a candidate key passes the installer's Distiller filter: anything
// that is not an Acrobat key, and Acrobat keys of versions 5.0 and 6.0.
bool InstallerAcceptsDistillerVersion(const std::string& candidate);

// Stores the best interpreter as the interpreter location. Returns 0 when it
// stored one and 1 when it found none (then nothing is written or shown);
// the installer exits with this code.
int InstallerSelectInterpreter();

}  // namespace vellora
