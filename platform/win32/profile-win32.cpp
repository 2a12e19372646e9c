// INI files through the system's private-profile functions.
#include <climits>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "platform/win32/windows_api.h"

namespace platform {
namespace {

// Defaults no INI value can be both of: a key that reads back as each of
// them in turn is missing.
const char kAbsentOne[] = "\x01";
const char kAbsentTwo[] = "\x02";
constexpr std::size_t kMinimumBuffer = 64;

// The system looks for a bare file name in the Windows folder; a name
// relative to the current folder means that folder here, as it does
// everywhere else in the platform layer.
std::string fullPath(const std::string& file) {
  char buffer[MAX_PATH + 1] = {};
  const DWORD length = GetFullPathNameA(file.c_str(), sizeof buffer, buffer, nullptr);
  if (length == 0 || length >= sizeof buffer) return file;
  return buffer;
}

std::string readRaw(const std::string& file, const std::string& section, const std::string& key,
                    const char* defaultValue, std::size_t capacity) {
  std::vector<char> buffer(capacity < kMinimumBuffer ? kMinimumBuffer : capacity);
  const DWORD length =
      GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue, buffer.data(),
                               static_cast<DWORD>(buffer.size()), file.c_str());
  return std::string(buffer.data(), length);
}

// The value when the key exists (cut to capacity - 1), told apart from a
// missing key without trusting any default to be unusual enough.
bool readValue(const std::string& file, const std::string& section, const std::string& key,
               std::size_t capacity, std::string* value) {
  const std::string path = fullPath(file);
  std::string text = readRaw(path, section, key, kAbsentOne, capacity);
  if (text == kAbsentOne && readRaw(path, section, key, kAbsentTwo, capacity) == kAbsentTwo) {
    return false;
  }
  const std::size_t limit = capacity == 0 ? 0 : capacity - 1;
  if (text.size() > limit) text.resize(limit);
  if (value != nullptr) *value = std::move(text);
  return true;
}

}  // namespace

std::string profileString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& defaultValue,
                          std::size_t capacity) {
  std::string value;
  if (readValue(file, section, key, capacity, &value)) return value;
  // The system would strip blanks from the default too; callers get theirs
  // as they gave it.
  value = defaultValue;
  const std::size_t limit = capacity == 0 ? 0 : capacity - 1;
  if (value.size() > limit) value.resize(limit);
  return value;
}

int profileInt(const std::string& file, const std::string& section, const std::string& key,
               int defaultValue) {
  // GetPrivateProfileIntA reads negative numbers as 0 on some systems, so
  // the text is parsed here.
  std::string text;
  if (!readValue(file, section, key, 64, &text)) return defaultValue;
  std::size_t pos = 0;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) negative = text[pos++] == '-';
  long long number = 0;
  for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
    number = number * 10 + (text[pos] - '0');
    if (number > static_cast<long long>(INT_MAX) + 1) number = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) number = -number;
  if (number > INT_MAX) number = INT_MAX;
  return static_cast<int>(number);
}

bool profileKeyExists(const std::string& file, const std::string& section,
                      const std::string& key) {
  return readValue(file, section, key, kMinimumBuffer, nullptr);
}

}  // namespace platform
