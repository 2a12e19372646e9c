#include "tools/vlutil/xmp_title.h"

#include <cstdlib>

#include "tools/vlutil/xmp_producer.h"

namespace vlutil {

namespace {

constexpr const char kDublinCore[] = "http://purl.org/dc/elements/1.1/";
constexpr const char kRdf[] = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Where the start tag `<name` (the whole name, not the start of a longer
// one) is found from `from`; npos when nowhere.
size_t startTag(const std::string& text, const std::string& name, size_t from, size_t until) {
  const std::string opening = "<" + name;
  for (size_t at = text.find(opening, from); at != std::string::npos && at < until;
       at = text.find(opening, at + 1)) {
    size_t after = at + opening.size();
    if (after < text.size() && (isBlank(text[after]) || text[after] == '>' || text[after] == '/'))
      return at;
  }
  return std::string::npos;
}

// The '>' ending the tag that starts at `at`, past quoted attribute values.
size_t tagEnd(const std::string& text, size_t at) {
  char quote = 0;
  for (; at < text.size(); ++at) {
    char c = text[at];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '>') {
      return at;
    }
  }
  return std::string::npos;
}

void appendUtf8(std::string* out, unsigned long code) {
  if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return;
  if (code < 0x80) {
    *out += static_cast<char>(code);
  } else if (code < 0x800) {
    *out += static_cast<char>(0xC0 | (code >> 6));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    *out += static_cast<char>(0xE0 | (code >> 12));
    *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    *out += static_cast<char>(0xF0 | (code >> 18));
    *out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Character data with its references decoded; an unknown reference stays
// as it is written.
std::string decoded(const std::string& text) {
  static const struct {
    const char* name;
    char character;
  } kEntities[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
  std::string out;
  for (size_t at = 0; at < text.size(); ++at) {
    size_t semicolon = text[at] == '&' ? text.find(';', at) : std::string::npos;
    if (semicolon == std::string::npos || semicolon - at > 10) {
      out += text[at];
      continue;
    }
    const std::string name = text.substr(at + 1, semicolon - at - 1);
    bool known = false;
    if (name.size() > 1 && name[0] == '#') {
      const bool hex = name[1] == 'x' || name[1] == 'X';
      const std::string digits = name.substr(hex ? 2 : 1);
      char* end = nullptr;
      unsigned long code = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
      if (!digits.empty() && end && *end == '\0') {
        appendUtf8(&out, code);
        known = true;
      }
    } else {
      for (const auto& entity : kEntities)
        if (name == entity.name) {
          out += entity.character;
          known = true;
        }
    }
    if (known)
      at = semicolon;
    else
      out += text[at];
  }
  return out;
}

std::string trimmed(const std::string& text) {
  size_t first = 0, last = text.size();
  while (first < last && isBlank(text[first])) ++first;
  while (last > first && isBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

// The title in the element content [begin, end): the default-language item
// of its list, else the first; the content itself when it has no markup.
std::string titleIn(const std::string& packet, size_t begin, size_t end) {
  std::string first;
  bool haveFirst = false;
  for (const std::string& rdf : prefixesBoundTo(packet, kRdf, "rdf")) {
    const std::string item = rdf + ":li";
    for (size_t at = startTag(packet, item, begin, end); at != std::string::npos;
         at = startTag(packet, item, at + 1, end)) {
      size_t close = tagEnd(packet, at);
      if (close == std::string::npos || close >= end) break;
      if (packet[close - 1] == '/') continue;  // an empty item
      size_t itemEnd = packet.find("</" + item, close);
      if (itemEnd == std::string::npos || itemEnd > end) break;
      std::string text = decoded(packet.substr(close + 1, itemEnd - close - 1));
      const std::string tag = packet.substr(at, close - at);
      if (tag.find("x-default") != std::string::npos) return text;
      if (!haveFirst) {
        first = text;
        haveFirst = true;
      }
    }
  }
  if (haveFirst) return first;
  const std::string content = packet.substr(begin, end - begin);
  return content.find('<') == std::string::npos ? decoded(trimmed(content)) : std::string();
}

}  // namespace

std::string xmpTitle(const std::string& packet) {
  // Packets in UTF-16 or UTF-32 have zero bytes in every ASCII character.
  if (packet.find('\0') != std::string::npos) return std::string();
  for (const std::string& dc : prefixesBoundTo(packet, kDublinCore, "dc")) {
    const std::string name = dc + ":title";
    size_t at = startTag(packet, name, 0, packet.size());
    if (at == std::string::npos) continue;
    size_t close = tagEnd(packet, at);
    if (close == std::string::npos || packet[close - 1] == '/') continue;
    size_t end = packet.find("</" + name, close);
    if (end == std::string::npos) continue;
    std::string title = titleIn(packet, close + 1, end);
    if (!title.empty()) return title;
  }
  return std::string();
}

}  // namespace vlutil
