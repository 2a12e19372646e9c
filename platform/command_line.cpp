// Command lines are kept as one string, as the Windows API passes them, and
// split by the rules of CommandLineToArgvW so that both platforms hand a
// program the same arguments.
#include "platform/process.h"

namespace platform {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> splitCommandLine(const std::string& commandLine) {
  std::vector<std::string> args;
  const std::size_t n = commandLine.size();
  std::size_t i = 0;
  while (i < n && isBlank(commandLine[i])) ++i;
  if (i == n) return args;

  // The program: quotes group, backslashes are plain characters.
  {
    std::string program;
    bool quoted = false;
    for (; i < n; ++i) {
      char c = commandLine[i];
      if (c == '"') {
        quoted = !quoted;
      } else if (isBlank(c) && !quoted) {
        break;
      } else {
        program += c;
      }
    }
    args.push_back(program);
  }

  // The arguments. quotes counts like the system's parser: 1 inside a group;
  // inside a run of quotes every third one is a literal quote.
  std::string current;
  bool inArgument = false;
  int quotes = 0;
  std::size_t backslashes = 0;
  while (i < n) {
    char c = commandLine[i];
    if (isBlank(c) && quotes == 0) {
      if (inArgument) {
        current.append(backslashes, '\\');
        args.push_back(current);
        current.clear();
        inArgument = false;
      }
      backslashes = 0;
      ++i;
      continue;
    }
    inArgument = true;
    if (c == '\\') {
      ++backslashes;
      ++i;
      continue;
    }
    if (c == '"') {
      current.append(backslashes / 2, '\\');
      if (backslashes % 2 == 1) {
        current += '"';
      } else {
        ++quotes;
      }
      backslashes = 0;
      ++i;
      while (i < n && commandLine[i] == '"') {
        if (++quotes == 3) {
          current += '"';
          quotes = 0;
        }
        ++i;
      }
      if (quotes == 2) quotes = 0;
      continue;
    }
    current.append(backslashes, '\\');
    backslashes = 0;
    current += c;
    ++i;
  }
  if (inArgument) {
    current.append(backslashes, '\\');
    args.push_back(current);
  }
  return args;
}

std::string commandLineTail(const std::string& commandLine) {
  const std::size_t n = commandLine.size();
  std::size_t i = 0;
  while (i < n && isBlank(commandLine[i])) ++i;
  // The program's name ends at the first blank outside quotes, as in
  // splitCommandLine.
  bool quoted = false;
  for (; i < n; ++i) {
    char c = commandLine[i];
    if (c == '"') quoted = !quoted;
    else if (isBlank(c) && !quoted) break;
  }
  while (i < n && isBlank(commandLine[i])) ++i;
  return commandLine.substr(i);
}

std::string quoteArgument(const std::string& argument) {
  bool needsQuotes = argument.empty();
  for (char c : argument)
    if (isBlank(c) || c == '"' || c == '\n' || c == '\v') needsQuotes = true;
  return needsQuotes ? quoteArgumentAlways(argument) : argument;
}

std::string quoteArgumentAlways(const std::string& argument) {
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      quoted.append(backslashes * 2 + 1, '\\');
    } else {
      quoted.append(backslashes, '\\');
    }
    backslashes = 0;
    quoted += c;
  }
  // Backslashes before the closing quote must not escape it.
  quoted.append(backslashes * 2, '\\');
  quoted += '"';
  return quoted;
}

}  // namespace platform
