// vlconv: converts one spooled PostScript job per run.
//
//   vlconv PAGES SPOOLFILE [DOCUMENT [PRINTER [ignored [ignored]]]]
//
// PAGES "9993" marks a PostScript file of the user's own, which is converted
// and left in place.
#include <string>
#include <vector>

#include "converter/job/pipeline.h"
#include "converter/job/startup.h"

int main(int argc, char** argv) {
  // The run's records live for the whole process; static storage keeps them
  // off the stack.
  static vellora::ConverterRun run;
  std::vector<std::string> arguments(argv + 1, argv + argc);
  int exitCode = 0;
  if (!vellora::startJob(run, arguments, &exitCode)) return exitCode;
  return vellora::runPipeline(run);
}
