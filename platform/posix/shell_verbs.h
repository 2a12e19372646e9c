// What the POSIX shell service is made of: the verb commands registered in
// HKEY_CLASSES_ROOT.
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

}  // namespace posix
}  // namespace platform
