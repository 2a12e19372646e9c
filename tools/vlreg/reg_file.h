// Registry text files (".reg"), as regedit reads and writes them: the
// "REGEDIT4" format (ANSI) and "Windows Registry Editor Version 5.00"
// (UTF-16LE with a byte-order mark as Windows writes it, or UTF-8/ANSI).
//
//   [HKEY_LOCAL_MACHINE\Software\Norvale]      create the key
//   [-HKEY_LOCAL_MACHINE\Software\Norvale]     delete the key and its subtree
//   "Name"="text"                              REG_SZ (\\ and \" escaped)
//   @="text"                                   the key's default value
//   "Name"=dword:0000001f                      REG_DWORD
//   "Name"=hex:01,02,ff                        REG_BINARY (lines may end in "\" and go on)
//   "Name"=hex(7):...                          any other type by its number
//   "Name"=-                                   delete the value
//   ; comment
#pragma once

#include <string>

#include "platform/registry.h"

namespace vlreg {

using platform::Registry;
using platform::RegRoot;

struct RegFileResult {
  bool ok = false;
  int line = 0;           // first line that could not be applied (1-based), 0 when none
  std::string message;    // what went wrong
  int keys = 0;           // keys created or deleted
  int values = 0;         // values set or deleted
};

// Applies a .reg text (already read into memory, any of the encodings above).
RegFileResult importRegText(Registry& registry, const std::string& text);
RegFileResult importRegFile(Registry& registry, const std::string& path);

// Writes a key with its subtree in the REGEDIT4 format (ANSI, CR LF line ends
// as regedit writes them). An empty path exports a whole root.
bool exportRegText(Registry& registry, RegRoot root, const std::string& path, std::string* text);
bool exportRegFile(Registry& registry, RegRoot root, const std::string& path,
                   const std::string& file);

}  // namespace vlreg
