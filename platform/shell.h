// Handing documents to the desktop: opening them, and running the verbs that
// applications register for their file types (open, print, print to).
#pragma once

#include <string>

namespace platform {

// Opens a document with the desktop's handler for its type (the shell verb
// "open"; xdg-open on POSIX desktops). Does not wait for the handler.
bool shellOpen(const std::string& path);

// Imports a registry file silently, without waiting for it, as
// "regedit /S FILE" started through the shell with a hidden window does:
// regedit.exe from the Windows folder on Windows; on POSIX `vlreg import
// FILE`, vlreg being the one beside the running program, else on PATH.
bool startRegistryImport(const std::string& windowsFolder, const std::string& file);

// Show states, numbered as the Windows API numbers them.
enum ShowCommand {
  kSwHide = 0,
  kSwShowNormal = 1,
  kSwShowMinimized = 2,
  kSwShow = 5,
  kSwMinimize = 6,
  kSwRestore = 9,
};

// Request flags, numbered as the Windows API numbers them.
constexpr unsigned kSeeMaskFlagDdeWait = 0x100;
constexpr unsigned kSeeMaskFlagNoUi = 0x400;

// Results of 32 and below mean failure; the ones the programs tell apart,
// numbered as the Windows API numbers them.
enum ShellExecuteError {
  kSeErrFileNotFound = 2,
  kSeErrPathNotFound = 3,
  kSeErrAccessDenied = 5,
  kSeErrOutOfMemory = 8,
  kSeErrDdeFail = 29,  // the program or print server refused the request
  kSeErrNoAssociation = 31,
};

struct ShellExecuteRequest {
  unsigned mask = 0;
  std::string verb;        // "open", "printto", ...
  std::string file;        // a document or a program, quoted or not
  std::string parameters;  // a program's command line, or a verb's arguments
  std::string directory;   // empty: the caller's
  int show = kSwShowNormal;
};

// Runs a verb on a file (ShellExecuteEx) and returns the instance value: more
// than 32 when the file was handed on, otherwise the reason (above). Never
// waits for the program it starts. On failure *failure, when given, receives
// a sentence for the user.
//
// On POSIX, in this order:
//  - a file that does not exist gives kSeErrFileNotFound;
//  - "open" on an executable file starts it with the parameters as its
//    command line;
//  - an association in HKEY_CLASSES_ROOT: the command of the verb under the
//    program id that the file's extension names (or under the extension's own
//    key), with %1 (also %L, %l) the file, %2 to %9 the parameters' arguments
//    and %* all of them; started without a shell;
//  - without one, "printto" goes to the print route the program registered
//    (setPrintRoute), with the printer its first parameter names; "open"
//    goes to the desktop's opener;
//  - anything else gives kSeErrNoAssociation.
int shellExecute(const ShellExecuteRequest& request, std::string* failure = nullptr);

// How a program prints a document that no application claims, on POSIX
// (Windows prints through its own associations and never asks): it answers
// as shellExecute does, with *failure (when given) set on failure. A program
// that prints that way registers its route at start; without one such a
// request gives kSeErrNoAssociation.
using PrintRoute = int (*)(const std::string& file, const std::string& printer,
                           const std::string& directory, std::string* failure);
void setPrintRoute(PrintRoute route);

}  // namespace platform
