// The host's own programs (qpdf, pdfinfo, gs) for checking what the programs
// under test made, when those run under Wine.
#pragma once

#include <string>
#include <vector>

#include "testsupport/fresh_machine.h"

namespace testsupport {

// Under Wine: the Windows name of the host program `name` found in the host's
// program folders (through the drive Wine maps the host's root to). False
// elsewhere, and for names with a folder or an extension.
bool findHostProgram(const std::string& name, std::string* program);

// Runs a host program found by findHostProgram. The Windows paths among the
// arguments, also after "--option=" or "-sName=", are handed over as host
// paths.
RunResult runHostProgram(const std::string& program, const std::vector<std::string>& arguments,
                         int timeoutMilliseconds);

}  // namespace testsupport
