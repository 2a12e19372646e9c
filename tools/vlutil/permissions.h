// The eight permission digits of the e command, in the order of the
// standard security handler's bits 3, 4, 5, 6, 9, 10, 11 and 12.
#pragma once

#include <string>

#include <qpdf/Constants.h>

namespace vlutil {

struct Permissions {
  bool print = false;           // bit 3
  bool modifyContent = false;   // bit 4
  bool copy = false;            // bit 5
  bool annotate = false;        // bit 6
  bool fillIn = false;          // bit 9
  bool screenReading = false;   // bit 10
  bool assembly = false;        // bit 11
  bool degradedPrint = false;   // bit 12
};

// Exactly eight characters, each '0' or '1'.
bool parsePermissionDigits(const std::string& digits, Permissions* permissions);

// 128-bit printing: EAllowPrinting gives full printing; without it
// EAllowDegradedPrinting gives low-resolution printing; neither, none.
qpdf_r3_print_e r3Printing(const Permissions& permissions);

// Whether anything is withheld at the given key length (40-bit encryption
// knows only the first four permissions).
bool restrictsAnything(const Permissions& permissions, bool rc4With128Bits);

}  // namespace vlutil
