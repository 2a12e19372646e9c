// INI files read the way GetPrivateProfileString reads them: the first
// section of a name is the one searched, the first key of a name in it wins,
// ";" starts a comment line, blanks around names and values are dropped.
#include <strings.h>

#include <cerrno>
#include <climits>

#include "platform/files.h"
#include "platform/profile.h"

namespace platform {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string trim(const std::string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && isSpace(text[begin])) ++begin;
  while (end > begin && isSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

bool sameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

// Finds the key's raw (trimmed) value; false when the file, the section or
// the key is missing.
bool findValue(const std::string& file, const std::string& section, const std::string& key,
               std::string* value) {
  TextReader reader;
  if (!reader.open(file)) {
    setLastError(errno ? errno : ENOENT);
    return false;
  }
  const std::string wantedSection = trim(section);
  const std::string wantedKey = trim(key);
  bool inSection = false;
  bool sectionSeen = false;
  std::string line;
  while (reader.readLine(&line)) {
    // The system's reader hands out C strings: a line ends at a NUL.
    std::string::size_type nul = line.find('\0');
    if (nul != std::string::npos) line.erase(nul);
    std::string text = trim(line);
    if (text.empty() || text[0] == ';') continue;
    if (text[0] == '[') {
      if (inSection) break;  // only the first section of that name counts
      std::string::size_type close = text.find(']');
      std::string name = trim(text.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      inSection = !sectionSeen && sameName(name, wantedSection);
      if (inSection) sectionSeen = true;
      continue;
    }
    if (!inSection) continue;
    std::string::size_type equals = text.find('=');
    if (equals == std::string::npos) continue;
    if (!sameName(trim(text.substr(0, equals)), wantedKey)) continue;
    *value = trim(text.substr(equals + 1));
    return true;
  }
  setLastError(ENOENT);
  return false;
}

std::string unquote(const std::string& value) {
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
    return value.substr(1, value.size() - 2);
  return value;
}

std::string cutTo(const std::string& text, std::size_t capacity) {
  if (capacity == 0) return std::string();
  return text.size() < capacity ? text : text.substr(0, capacity - 1);
}

}  // namespace

std::string profileString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& defaultValue,
                          std::size_t capacity) {
  std::string value;
  if (!findValue(file, section, key, &value)) return cutTo(defaultValue, capacity);
  return cutTo(unquote(value), capacity);
}

int profileInt(const std::string& file, const std::string& section, const std::string& key,
               int defaultValue) {
  std::string value;
  if (!findValue(file, section, key, &value)) return defaultValue;
  value = unquote(value);
  // An empty value reads as the default, as GetPrivateProfileInt does.
  if (value.empty()) return defaultValue;
  std::size_t i = 0;
  bool negative = false;
  if (value[i] == '+' || value[i] == '-') negative = value[i++] == '-';
  // Accumulate as unsigned 32 bits: the system's conversion wraps the same way.
  unsigned result = 0;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i)
    result = result * 10u + static_cast<unsigned>(value[i] - '0');
  if (negative) result = 0u - result;
  return static_cast<int>(result);
}

bool profileKeyExists(const std::string& file, const std::string& section, const std::string& key) {
  std::string value;
  return findValue(file, section, key, &value);
}

}  // namespace platform
