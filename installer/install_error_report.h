// What a failed install ends with: the user is told (or asked whether the
// install log may go to the maker's report server), the log is written, and
// the run ends with a failure code.
#pragma once

namespace vellora {

// The exit code of a failed install: -1. A failed printer step must not
// look like a successful install to the setup program that ran vlsetup.
constexpr int kInstallFailedExitCode = -1;

// Returns kInstallFailedExitCode.
int ReportInstallError();

}  // namespace vellora
