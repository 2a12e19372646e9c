#include "common/text.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace vellora {

namespace {

std::string vformat(const char* fmt, va_list args) {
  va_list copy;
  va_copy(copy, args);
  char small[512];
  int needed = std::vsnprintf(small, sizeof small, fmt, copy);
  va_end(copy);
  if (needed < 0) return std::string();
  if (static_cast<std::size_t>(needed) < sizeof small) return std::string(small, needed);
  std::vector<char> big(static_cast<std::size_t>(needed) + 1);
  std::vsnprintf(big.data(), big.size(), fmt, args);
  return std::string(big.data(), needed);
}

char lowerChar(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string result = vformat(fmt, args);
  va_end(args);
  return result;
}

std::string formatCut(std::size_t capacity, const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string result = vformat(fmt, args);
  va_end(args);
  return cut(result, capacity);
}

std::string cut(const std::string& text, std::size_t capacity) {
  if (capacity == 0) return std::string();
  if (text.size() < capacity) return text;
  return text.substr(0, capacity - 1);
}

std::string toLower(const std::string& text) {
  std::string result(text);
  for (char& c : result) c = lowerChar(c);
  return result;
}

bool equalsIgnoreCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lowerChar(a[i]) != lowerChar(b[i])) return false;
  return true;
}

bool startsWithIgnoreCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && equalsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

bool endsWithIgnoreCase(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         equalsIgnoreCase(text.substr(text.size() - suffix.size()), suffix);
}

bool containsIgnoreCase(const std::string& text, const std::string& part) {
  return toLower(text).find(toLower(part)) != std::string::npos;
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

bool replaceFirst(std::string& text, const std::string& from, const std::string& to) {
  std::string::size_type at = text.find(from);
  if (at == std::string::npos) return false;
  text.replace(at, from.size(), to);
  return true;
}

std::string withNewlines(const std::string& output) {
  std::string text;
  text.reserve(output.size());
  for (std::size_t i = 0; i < output.size(); ++i) {
    if (output[i] == '\r' && i + 1 < output.size() && output[i + 1] == '\n') continue;
    text.push_back(output[i]);
  }
  return text;
}

int leadingInt(const std::string& text) { return std::atoi(text.c_str()); }

double leadingNumber(const std::string& text) { return std::atof(text.c_str()); }

}  // namespace vellora
