#include "monitor/dsc_title.h"

namespace vellora {
namespace monitor {

namespace {

constexpr char kTitleComment[] = "%%Title:";

}  // namespace

std::string plainTitleValue(const std::string& value) {
  std::string::size_type first = value.find_first_not_of(" \t");
  std::string::size_type last = value.find_last_not_of(" \t");
  if (first == std::string::npos || value[first] != '(' || value[last] != ')' || last == first) return value;
  std::string text;
  int depth = 0;
  for (std::string::size_type i = first; i <= last; ++i) {
    char c = value[i];
    if (c == '\\' && i < last) {
      char next = value[i + 1];
      if (next == '(' || next == ')' || next == '\\') {
        if (depth > 0) text += next;
        ++i;
        continue;
      }
      if (next == 'n' || next == 'r' || next == 't') {
        text += ' ';
        ++i;
        continue;
      }
    }
    if (c == '(' && depth++ == 0) continue;
    if (c == ')' && --depth == 0) {
      // The string must end here, at the value's end: "(a) (b)" is no one string.
      if (i != last) return value;
      continue;
    }
    if (depth <= 0) return value;
    text += c;
  }
  return depth == 0 ? text : value;
}

std::string withPlainTitle(const std::string& head) {
  std::string::size_type at = 0;
  while (at < head.size()) {
    std::string::size_type end = head.find_first_of("\r\n", at);
    if (end == std::string::npos) end = head.size();
    if (head.compare(at, sizeof kTitleComment - 1, kTitleComment) == 0) {
      std::string::size_type valueStart = at + sizeof kTitleComment - 1;
      std::string value = head.substr(valueStart, end - valueStart);
      std::string plain = plainTitleValue(value);
      if (plain == value) return head;
      return head.substr(0, at) + kTitleComment + " " + plain + head.substr(end);
    }
    at = end + 1;
  }
  return head;
}

}  // namespace monitor
}  // namespace vellora
