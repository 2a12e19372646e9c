// Rasmere's stand-in: records its arguments, then the folder it runs in as
// a line "cwd<TAB>FOLDER", and checks that every file it was given exists.
// Exit code 0, or 3 when a file is missing.
#include <unistd.h>

#include <string>
#include <vector>

#include "standin_support.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv, argv + argc);
  standin::recordArguments(arguments);
  char folder[4096] = "";
  if (getcwd(folder, sizeof folder) == nullptr) folder[0] = '\0';
  standin::recordArguments({"cwd", folder});
  for (int i = 1; i < argc; ++i)
    if (!standin::fileExists(argv[i])) return 3;
  return 0;
}
