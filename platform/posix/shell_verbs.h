// What the POSIX shell service is made of: the verb commands registered in
// HKEY_CLASSES_ROOT, and the desktop's own ways of printing a document.
#pragma once

#include <string>

namespace platform {
namespace posix {

// The command registered for a verb on a file's type: the default value of
// "<program id>\shell\<verb>\command", the program id being the default
// value of the extension's key, else of "<.ext>\shell\<verb>\command".
// False when neither exists or the file has no extension.
bool findVerbCommand(const std::string& file, const std::string& verb, std::string* command);

// A registered command with its placeholders filled: %1, %L and %l the file,
// %2 to %9 the arguments of the parameters, %* all of them, %% a percent
// sign. A command that names the file nowhere gets it appended, quoted, as
// the Windows shell does.
std::string expandVerbCommand(const std::string& command, const std::string& file,
                              const std::string& parameters);

// The kinds of document the desktop can print without an application.
enum class DocumentKind { kOther, kPdf, kPostScript, kText, kPng, kJpeg, kGif, kTiff, kOffice };

// Tells the kind from the file's first bytes, and office documents from
// their extension (their content is a container of no printable kind).
DocumentKind documentKind(const std::string& path);

// The MIME type the print server is told for a kind; empty for kOther and
// kOffice.
const char* documentFormat(DocumentKind kind);

// Queues a file on a printer of the print server (CUPS_SERVER and the
// user's client.conf say which server). 0 on success, otherwise a shell
// error with *failure set.
int printThroughServer(const std::string& printer, const std::string& file, DocumentKind kind,
                       std::string* failure);

}  // namespace posix
}  // namespace platform
