#include "common/form_encode.h"

#include <cstring>

namespace vellora {

namespace {

bool staysAsIs(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '/' || c == '_';
}

int hexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

int FormEncode(const char* source, std::size_t sourceLength, char* output, std::size_t capacity) {
  if (source == nullptr || output == nullptr || sourceLength > capacity) return -1;
  if (sourceLength == 0) sourceLength = std::strlen(source);
  static const char kDigits[] = "0123456789abcdef";
  std::size_t written = 0;
  std::size_t at = 0;
  while (at < sourceLength && source[at] != '\0') {
    if (written >= capacity) return -1;
    unsigned char c = static_cast<unsigned char>(source[at++]);
    if (staysAsIs(c)) {
      output[written++] = static_cast<char>(c);
      continue;
    }
    if (written + 2 >= capacity) return -1;
    if (c == '%' && at + 1 < sourceLength) {
      int high = hexValue(static_cast<unsigned char>(source[at]));
      int low = hexValue(static_cast<unsigned char>(source[at + 1]));
      if (high >= 0 && low >= 0) {
        c = static_cast<unsigned char>(high * 16 + low);
        at += 2;
      }
    }
    output[written++] = '%';
    output[written++] = kDigits[c >> 4];
    output[written++] = kDigits[c & 0x0f];
  }
  if (written >= capacity) return -1;
  output[written] = '\0';
  return static_cast<int>(written);
}

}  // namespace vellora
