// Stands in for Acrobat Distiller's command line:
//   distiller [--nosecurity] [--deletelog:on] /V /N /Q [/J joboptions] /O output input...
// where the inputs are separate arguments or one argument of names joined by
// commas (Distiller 6). Records its arguments, checks that the job options
// and every input exist, and writes a one-page PDF to the /O path.
// Exit codes: 0 done, 2 a command line Distiller would reject, 3 a missing
// file, 4 the output could not be written.
#include <cstdio>
#include <string>
#include <vector>

#include "standin_support.h"

namespace {

std::vector<std::string> splitCommas(const std::string& text) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : text) {
    if (c == ',') {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  parts.push_back(part);
  return parts;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv, argv + argc);
  standin::recordArguments(arguments);

  std::string output, jobOptions;
  std::vector<std::string> inputs;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (a == "/V" || a == "/N" || a == "/Q" || a == "--nosecurity" || a == "--deletelog:on") continue;
    if (a == "/O" || a == "/J") {
      if (i + 1 >= arguments.size()) {
        std::fprintf(stderr, "standin-distiller: %s needs a value\n", a.c_str());
        return 2;
      }
      (a == "/O" ? output : jobOptions) = arguments[++i];
      continue;
    }
    if (!a.empty() && (a[0] == '/' && a.size() == 2)) {
      std::fprintf(stderr, "standin-distiller: unknown switch %s\n", a.c_str());
      return 2;
    }
    for (const std::string& name : splitCommas(a)) inputs.push_back(name);
  }
  if (output.empty() || inputs.empty()) {
    std::fprintf(stderr, "standin-distiller: no output or no input\n");
    return 2;
  }
  if (!jobOptions.empty() && !standin::fileExists(jobOptions)) {
    std::fprintf(stderr, "standin-distiller: job options %s not found\n", jobOptions.c_str());
    return 3;
  }
  for (const std::string& input : inputs) {
    if (!standin::fileExists(input)) {
      std::fprintf(stderr, "standin-distiller: input %s not found\n", input.c_str());
      return 3;
    }
  }
  return standin::writeOnePagePdf(output) ? 0 : 4;
}
