#include "converter/backends/interpreter_setup.h"

#include "common/interpreter_discovery.h"
#include "common/interpreter_resolution.h"
#include "platform/files.h"

namespace vellora {

void setUpInterpreter(JobRecord& job) {
  InterpreterResolution resolved =
      ResolveInterpreter(EnsureInterpreter(), job.systemDir, job.includePath);
  job.interpreterKind = static_cast<int>(resolved.kind);
  job.interpreterExe = resolved.executable;
  job.includePath = resolved.includePath;
  job.interpreterFound = resolved.found ? 1 : 0;
  job.distiller6Syntax = resolved.distiller6Syntax ? 1 : 0;
}

bool interpreterStillPresent(const JobRecord& job) {
  switch (job.interpreterKind) {
    case kDistiller:
      return job.interpreterExe.size() >= 2 && platform::fileExists(job.interpreterExe);
    case kOwnGhostscript:
      return OwnGhostscriptPresent(job.systemDir);
    case kGhostscript:
    case kPStill:
      return platform::fileExists(job.interpreterExe);
    default:
      return true;
  }
}

}  // namespace vellora

namespace vellora {

// The job record keeps the kind as a plain number; both spellings must agree.
static_assert(kDistiller == static_cast<int>(InterpreterKind::Distiller) &&
                  kOwnGhostscript == static_cast<int>(InterpreterKind::OwnGhostscript) &&
                  kGhostscript == static_cast<int>(InterpreterKind::Ghostscript) &&
                  kPStill == static_cast<int>(InterpreterKind::PStill) &&
                  kNoInterpreter == static_cast<int>(InterpreterKind::NoInterpreter) &&
                  kUnknownInterpreter == static_cast<int>(InterpreterKind::UnknownInterpreter),
              "interpreter kinds are numbered alike everywhere");

}  // namespace vellora
