// vlutil: the PDF utility the converter runs for every operation on a
// finished PDF. See README.md beside this file for commands and exit codes.
#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFSystemError.hh>

#include "common/product.h"
#include "tools/vlutil/commands.h"
#include "tools/vlutil/exit_codes.h"
#include "tools/vlutil/pdf_input.h"

namespace {

void printUsage(std::ostream& stream) {
  stream << "usage: vlutil i FILE\n"
            "       vlutil c FIRST SECOND OUT TITLE SUBJECT KEYWORDS AUTHOR PASSWORD\n"
            "       vlutil w IN STATIONERY OUT\n"
            "       vlutil b IN STATIONERY OUT\n"
            "       vlutil e IN OUT USERPW OWNERPW DIGITS 40|128\n"
            "       vlutil p IN OUT PRODUCER\n"
            "       vlutil f IN OUT PRODUCER\n"
            "       vlutil t IN OUT\n"
            "       vlutil --when-told COMMAND ...\n"
            "       vlutil --version\n";
}

int badArguments(const std::string& why) {
  std::cerr << "vlutil: " << why << "\n";
  printUsage(std::cerr);
  return vlutil::kBadArguments;
}

// --when-told: started ahead of its time (the converter starts the check of
// the interpreter's result beside the interpreter, so that this program's
// own start-up costs the job nothing), the command waits for a line "go" on
// standard input. An input that ends first means the job needs it no more.
bool toldToGo() {
  std::string line;
  if (!std::getline(std::cin, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line == "go";
}

int dispatch(std::vector<std::string> args) {
  if (!args.empty() && args[0] == "--when-told") {
    args.erase(args.begin());
    if (args.empty()) return badArguments("no command given");
    if (!toldToGo()) return vlutil::kNotTold;
  }
  if (args.empty()) return badArguments("no command given");
  const std::string& command = args[0];
  if (command == "--version" || command == "--help" || command == "-h") {
    std::cout << "vlutil " << vellora::kVersionMajor << "." << vellora::kVersionMinor
              << " (" << vellora::kProductName << ", libqpdf " << QPDF::QPDFVersion() << ")\n";
    printUsage(std::cout);
    return vlutil::kOk;
  }
  static const struct {
    const char* name;
    std::size_t arguments;
  } kCommands[] = {{"i", 1}, {"c", 8}, {"w", 3}, {"b", 3}, {"e", 6}, {"p", 3}, {"f", 3}, {"t", 2}};
  for (const auto& known : kCommands) {
    if (command != known.name) continue;
    if (args.size() - 1 != known.arguments)
      return badArguments("command " + command + " takes " + std::to_string(known.arguments) +
                          " arguments, not " + std::to_string(args.size() - 1));
    if (command == "i") return vlutil::examine(args[1]);
    if (command == "c")
      return vlutil::join(args[1], args[2], args[3], {args[4], args[5], args[6], args[7]},
                          args[8]);
    if (command == "w" || command == "b")
      return vlutil::applyStationery(
          command == "w" ? vlutil::StationeryMode::kWatermark : vlutil::StationeryMode::kBackground,
          args[1], args[2], args[3]);
    if (command == "p") return vlutil::setProducer(args[1], args[2], args[3]);
    if (command == "f") return vlutil::finishResult(args[1], args[2], args[3]);
    if (command == "t") return vlutil::writeTitle(args[1], args[2]);
    return vlutil::encrypt(args[1], args[2], args[3], args[4], args[5], args[6]);
  }
  return badArguments("unknown command \"" + command + "\"");
}

}  // namespace

int main(int argc, char* argv[]) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  // The inputs were opened and checked before the work started, so qpdf
  // exceptions from here on come from damage found late (3), from the
  // system (98) or from something nobody foresaw (99).
  try {
    return dispatch(args);
  } catch (const QPDFExc& e) {
    vlutil::complain("PDF error", e.what());
    switch (e.getErrorCode()) {
      case qpdf_e_damaged_pdf:
      case qpdf_e_pages:
      case qpdf_e_object:
        return vlutil::kUnreadable;
      case qpdf_e_system:
        return vlutil::kFailure;
      default:
        return vlutil::kUnexpected;
    }
  } catch (const QPDFSystemError& e) {
    vlutil::complain("system error", e.what());
    return vlutil::kFailure;
  } catch (const std::bad_alloc&) {
    vlutil::complain("out of memory", std::string());
    return vlutil::kFailure;
  } catch (const std::exception& e) {
    vlutil::complain("unexpected error", e.what());
    return vlutil::kUnexpected;
  } catch (...) {
    vlutil::complain("unexpected error", "unknown exception");
    return vlutil::kUnexpected;
  }
}
