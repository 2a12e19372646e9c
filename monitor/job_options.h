// What the scheduler tells a backend about its job beyond the user and
// title: the job's options (argv[5], "name=value name='a b' ..."), among
// them where the job came from and the answers its user gave in advance.
#pragma once

#include <string>

namespace vellora {
namespace monitor {

// The value of one option ("" when the job has none of that name). Values
// may be quoted ('...' or "...") and hold backslash escapes, as CUPS
// writes them; names are compared exactly.
std::string jobOption(const std::string& options, const std::string& name);

// Whether a job whose "job-originating-host-name" is host was printed on
// this machine: the scheduler names every client of this machine, on its
// socket or the loopback, "localhost". A job that names no host is taken
// as this machine's, as every job was before the scheduler said.
bool printedOnThisMachine(const std::string& host);

// The answer, given when the job was printed, for a document name that is
// a file already ("vellora-existing-file": "append" or "prepend"); empty
// for any other value: the job is then saved under a new name.
std::string existingFileAnswer(const std::string& options);

}  // namespace monitor
}  // namespace vellora
