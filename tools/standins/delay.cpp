// A stand-in that sits in front of a real program (an interpreter, the PDF
// utility) to make it slow or wrong on purpose, for tests that end a job in
// the middle or feed it bad output. It reads "<its own path>.conf", lines of
// "key=value":
//   when=X       act only when the first argument starts with X (a utility
//                command, "@" for an argument file); otherwise run the real
//                program at once
//   started=F    append this process's id and a line end to F before pausing
//   sleep_ms=N   pause this long
//   output=TEXT  write TEXT to the output file named by -sOutputFile= (in
//                the arguments or an @argument file) and end
//   exit=N       end with this code instead of running the real program
//   exec=PATH    the real program, run with the same arguments
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <process.h>
#define VL_GETPID _getpid
#define VL_EXECV _execv
#else
#include <unistd.h>
#define VL_GETPID getpid
#define VL_EXECV execv
#endif

#include "standin_support.h"

namespace {

std::map<std::string, std::string> readConfig(const std::string& path) {
  std::map<std::string, std::string> config;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string::size_type equals = line.find('=');
    if (equals != std::string::npos) config[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return config;
}

// The value of -sOutputFile=, with the quotes an argument file puts around it.
std::string outputFileIn(const std::string& text) {
  const std::string key = "-sOutputFile=";
  std::string::size_type at = text.find(key);
  if (at == std::string::npos) return std::string();
  at += key.size();
  if (at < text.size() && text[at] == '"') {
    std::string::size_type end = text.find('"', at + 1);
    return text.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
  }
  std::string::size_type end = text.find_first_of(" \r\n", at);
  return text.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

std::string outputFile(const std::vector<std::string>& arguments) {
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    std::string text = arguments[i];
    if (!text.empty() && text[0] == '@') {
      std::ifstream in(text.substr(1), std::ios::binary);
      std::stringstream all;
      all << in.rdbuf();
      text = all.str();
    }
    std::string found = outputFileIn(text);
    if (!found.empty()) return found;
  }
  return std::string();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv, argv + argc);
  standin::recordArguments(arguments);
  std::map<std::string, std::string> config = readConfig(arguments[0] + ".conf");

  const std::string when = config["when"];
  const bool acts = when.empty() || (arguments.size() > 1 && arguments[1].compare(0, when.size(), when) == 0);
  if (acts) {
    if (config.count("started")) {
      std::ofstream started(config["started"], std::ios::app);
      started << VL_GETPID() << "\n";
    }
    const int pause = std::atoi(config["sleep_ms"].c_str());
    if (pause > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pause));
    if (config.count("output")) {
      std::ofstream out(outputFile(arguments), std::ios::binary | std::ios::trunc);
      out << config["output"];
      return std::atoi(config["exit"].c_str());
    }
    if (config.count("exit")) return std::atoi(config["exit"].c_str());
  }

  const std::string program = config["exec"];
  if (program.empty()) return 0;
  std::vector<char*> args;
  args.push_back(const_cast<char*>(program.c_str()));
  for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
  args.push_back(nullptr);
  VL_EXECV(program.c_str(), args.data());
  std::perror(program.c_str());
  return 127;
}
