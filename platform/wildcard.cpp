#include "platform/wildcard.h"

namespace platform {

namespace {

char foldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool wildcardMatch(const std::string& patternText, const std::string& nameText) {
  // Iterative, backtracking to the last "*" only: linear enough for file
  // names, and no recursion for a pattern of many stars to exhaust.
  const char* pattern = patternText.c_str();
  const char* name = nameText.c_str();
  const char* patternEnd = pattern + patternText.size();
  const char* nameEnd = name + nameText.size();
  const char* star = nullptr;
  const char* resume = nullptr;
  while (name != nameEnd) {
    if (pattern != patternEnd && *pattern == '*') {
      star = pattern++;
      resume = name;
    } else if (pattern != patternEnd && (*pattern == '?' || foldCase(*pattern) == foldCase(*name))) {
      ++pattern;
      ++name;
    } else if (star) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (pattern != patternEnd && *pattern == '*') ++pattern;
  return pattern == patternEnd;
}

bool fileNameMatches(const std::string& pattern, const std::string& name) {
  if (wildcardMatch(pattern, name)) return true;
  if (name.find('.') != std::string::npos) return false;
  if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0)
    return wildcardMatch(pattern.substr(0, pattern.size() - 2), name);
  if (!pattern.empty() && pattern.back() == '.')
    return wildcardMatch(pattern.substr(0, pattern.size() - 1), name);
  return false;
}

}  // namespace platform
