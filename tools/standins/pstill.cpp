// Stands in for PStill, started as "pstill @argumentfile". Arguments are
// read from the file as PStill reads them: separated by blanks and line
// ends, double quotes group and are dropped, an empty quoted name gives no
// argument. Records its command line with every "@file" replaced by the
// arguments read from it, checks that every input file exists and writes a
// one-page PDF to the "-o" path.
// Exit codes: 0 done, 2 an unreadable argument file or no -o, 3 a missing
// input file, 4 the output could not be written.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "standin_support.h"

namespace {

// Options that take the next argument as their value.
const std::set<std::string> kWithValue = {"-m", "-M", "-T", "-o", "-a", "-l", "-R", "-d"};

bool readArgumentFile(const std::string& path, std::vector<std::string>* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string current;
  bool inQuotes = false, any = false;
  for (char c : text) {
    if (c == '"') {
      inQuotes = !inQuotes;
      any = true;
    } else if (!inQuotes && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
      if (!current.empty()) out->push_back(current);
      current.clear();
      any = false;
    } else {
      current += c;
      any = true;
    }
  }
  if (any && !current.empty()) out->push_back(current);
  return !inQuotes;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments;
  arguments.push_back(argv[0]);
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a.size() > 1 && a[0] == '@') {
      if (!readArgumentFile(a.substr(1), &arguments)) {
        standin::recordArguments(arguments);
        std::fprintf(stderr, "standin-pstill: cannot read %s\n", a.c_str());
        return 2;
      }
    } else {
      arguments.push_back(a);
    }
  }
  standin::recordArguments(arguments);

  std::string output;
  std::vector<std::string> inputs;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (kWithValue.count(a)) {
      if (i + 1 >= arguments.size()) return 2;
      if (a == "-o") output = arguments[i + 1];
      ++i;
    } else if (a.size() > 1 && a[0] == '-') {
      continue;
    } else {
      inputs.push_back(a);
    }
  }
  if (output.empty()) {
    std::fprintf(stderr, "standin-pstill: no -o\n");
    return 2;
  }
  for (const std::string& input : inputs) {
    if (!standin::fileExists(input)) {
      std::fprintf(stderr, "standin-pstill: input %s not found\n", input.c_str());
      return 3;
    }
  }
  return standin::writeOnePagePdf(output) ? 0 : 4;
}
