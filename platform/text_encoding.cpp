// The portable half of the text encodings: UTF-8 checking and Windows-1252,
// whose table is short enough to carry here.
#include "platform/text_encoding.h"

#include <cstdint>

namespace platform {

namespace {

// Bytes 0x80-0x9F of Windows-1252; 0 where the code page has no character.
const std::uint16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void appendUtf8(std::string* out, std::uint32_t cp) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::uint32_t unitAt(const std::string& bytes, std::size_t i) {
  return static_cast<unsigned char>(bytes[i]) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8);
}

// Length of the valid UTF-8 sequence at text[i] and its code point; 0 when
// the bytes there are not one.
std::size_t sequenceAt(const std::string& text, std::size_t i, std::uint32_t* cp) {
  const unsigned char lead = static_cast<unsigned char>(text[i]);
  std::size_t length;
  std::uint32_t value;
  if (lead < 0x80) {
    *cp = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const unsigned char next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    value = (value << 6) | (next & 0x3F);
  }
  // Overlong forms, surrogates and values past Unicode are not UTF-8.
  if ((length == 3 && value < 0x800) || (length == 4 && (value < 0x10000 || value > 0x10FFFF)) ||
      (value >= 0xD800 && value <= 0xDFFF))
    return 0;
  *cp = value;
  return length;
}

}  // namespace

bool isValidUtf8(const std::string& bytes) {
  std::uint32_t cp;
  for (std::size_t i = 0; i < bytes.size();) {
    std::size_t n = sequenceAt(bytes, i, &cp);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string windows1252ToUtf8(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char c : bytes) {
    const unsigned char b = static_cast<unsigned char>(c);
    std::uint32_t cp = b;
    if (b >= 0x80 && b <= 0x9F && kHighControls[b - 0x80] != 0) cp = kHighControls[b - 0x80];
    appendUtf8(&out, cp);
  }
  return out;
}

std::string utf16leToUtf8(const std::string& bytes) {
  std::string out;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    std::uint32_t unit = unitAt(bytes, i);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
      const std::uint32_t low = unitAt(bytes, i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    if (unit >= 0xD800 && unit <= 0xDFFF) unit = 0xFFFD;
    appendUtf8(&out, unit);
  }
  return out;
}

std::string utf8ToWindows1252(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    std::uint32_t cp = 0;
    std::size_t n = sequenceAt(utf8, i, &cp);
    if (n == 0) {
      out.push_back('?');
      ++i;
      continue;
    }
    i += n;
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      out.push_back(static_cast<char>(cp));
      continue;
    }
    char mapped = '?';
    for (int k = 0; k < 32; ++k)
      if (kHighControls[k] == cp) mapped = static_cast<char>(0x80 + k);
    // The five unused bytes map to themselves as C1 controls.
    if (cp >= 0x80 && cp <= 0x9F && kHighControls[cp - 0x80] == 0) mapped = static_cast<char>(cp);
    out.push_back(mapped);
  }
  return out;
}

std::string textFromAnsi(const std::string& bytes) {
  if (!kTextIsUtf8 || isValidUtf8(bytes)) return bytes;
  return windows1252ToUtf8(bytes);
}

std::size_t textCutPoint(const std::string& text, std::size_t limit) {
  if (limit >= text.size()) return text.size();
  if (!kTextIsUtf8) return limit;
  std::size_t at = limit;
  // Back to the first byte of the character the limit falls in.
  while (at > 0 && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) --at;
  return at;
}

}  // namespace platform
