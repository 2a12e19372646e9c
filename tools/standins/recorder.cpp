// A program that does what its environment says, for tests that need a
// viewer, a post-process command, a utility or an interpreter that behaves
// in a given way:
//   VELLORA_STANDIN_LOG       its arguments are recorded there
//   VELLORA_STANDIN_OUTPUT    text written to standard output
//   VELLORA_STANDIN_SLEEP_MS  a pause before it ends
//   VELLORA_STANDIN_COPY_TO   the file named by its last argument is copied there
//   VELLORA_STANDIN_EXIT      its exit code (default 0); "abort" ends it by
//                             an abort signal instead
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "standin_support.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv, argv + argc);
  standin::recordArguments(arguments);

  const std::string output = standin::environment("VELLORA_STANDIN_OUTPUT");
  if (!output.empty()) {
    std::fwrite(output.data(), 1, output.size(), stdout);
    std::fflush(stdout);
  }

  const int pause = std::atoi(standin::environment("VELLORA_STANDIN_SLEEP_MS", "0").c_str());
  if (pause > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pause));

  const std::string copyTo = standin::environment("VELLORA_STANDIN_COPY_TO");
  if (!copyTo.empty() && arguments.size() > 1) {
    std::ifstream in(arguments.back(), std::ios::binary);
    std::ofstream out(copyTo, std::ios::binary | std::ios::trunc);
    if (in && out) out << in.rdbuf();
  }

  const std::string exitCode = standin::environment("VELLORA_STANDIN_EXIT", "0");
  if (exitCode == "abort") std::abort();
  return std::atoi(exitCode.c_str());
}
