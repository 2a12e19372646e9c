#include "tools/vlutil/xmp_producer.h"

#include <algorithm>
#include <vector>

namespace vlutil {

namespace {

constexpr const char kPdfNamespace[] = "http://ns.adobe.com/pdf/1.3/";

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool isNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         c == '.' || c == '-' || c == '_' || c == ':' || static_cast<unsigned char>(c) >= 0x80;
}

size_t skipBlanks(const std::string& text, size_t at) {
  while (at < text.size() && isBlank(text[at])) ++at;
  return at;
}

}  // namespace

std::vector<std::string> prefixesBoundTo(const std::string& packet, const std::string& uri,
                                         const std::string& fallback) {
  std::vector<std::string> prefixes;
  const std::string marker = "xmlns:";
  for (size_t at = packet.find(marker); at != std::string::npos;
       at = packet.find(marker, at + marker.size())) {
    if (at > 0 && !isBlank(packet[at - 1])) continue;
    size_t nameEnd = at + marker.size();
    while (nameEnd < packet.size() && isNameChar(packet[nameEnd])) ++nameEnd;
    std::string prefix = packet.substr(at + marker.size(), nameEnd - at - marker.size());
    size_t equals = skipBlanks(packet, nameEnd);
    if (prefix.empty() || equals >= packet.size() || packet[equals] != '=') continue;
    size_t quote = skipBlanks(packet, equals + 1);
    if (quote >= packet.size() || (packet[quote] != '\'' && packet[quote] != '"')) continue;
    size_t valueEnd = packet.find(packet[quote], quote + 1);
    if (valueEnd == std::string::npos) break;
    if (packet.compare(quote + 1, valueEnd - quote - 1, uri) == 0 &&
        std::find(prefixes.begin(), prefixes.end(), prefix) == prefixes.end())
      prefixes.push_back(prefix);
  }
  if (prefixes.empty()) prefixes.push_back(fallback);
  return prefixes;
}

namespace {

// The '>' that ends the tag whose name starts at `from`; quoted attribute
// values may hold a '>' of their own.
size_t tagEnd(const std::string& packet, size_t from) {
  char quote = 0;
  for (size_t at = from; at < packet.size(); ++at) {
    char c = packet[at];
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

// Where the end tag of name begins, searching from `from`.
size_t endTag(const std::string& packet, const std::string& name, size_t from) {
  const std::string opening = "</" + name;
  for (size_t at = packet.find(opening, from); at != std::string::npos;
       at = packet.find(opening, at + 1)) {
    size_t close = skipBlanks(packet, at + opening.size());
    if (close < packet.size() && packet[close] == '>') return at;
  }
  return std::string::npos;
}

// Sets the property `name` found at `at`; returns where to search on, or
// npos when nothing more can be found. *changed tells whether it was set.
size_t setPropertyAt(std::string* packet, const std::string& name, size_t at,
                     const std::string& value, bool* changed) {
  std::string& text = *packet;
  *changed = false;
  size_t after = at + name.size();
  char before = at > 0 ? text[at - 1] : '\0';
  if (after < text.size() && isNameChar(text[after])) return after;  // a longer name
  if (before == '<') {
    size_t close = tagEnd(text, after);
    if (close == std::string::npos) return std::string::npos;
    if (text[close - 1] == '/') {
      // <pdf:Producer/>: made an element with content.
      std::string element = ">" + value + "</" + name + ">";
      text.replace(close - 1, 2, element);
      *changed = true;
      return close - 1 + element.size();
    }
    size_t contentEnd = endTag(text, name, close + 1);
    if (contentEnd == std::string::npos) return std::string::npos;
    text.replace(close + 1, contentEnd - close - 1, value);
    *changed = true;
    return close + 1 + value.size();
  }
  if (isBlank(before)) {
    size_t equals = skipBlanks(text, after);
    if (equals >= text.size() || text[equals] != '=') return after;
    size_t quote = skipBlanks(text, equals + 1);
    if (quote >= text.size() || (text[quote] != '\'' && text[quote] != '"')) return after;
    size_t valueEnd = text.find(text[quote], quote + 1);
    if (valueEnd == std::string::npos) return std::string::npos;
    text.replace(quote + 1, valueEnd - quote - 1, value);
    *changed = true;
    return quote + 2 + value.size();
  }
  return after;  // an end tag, or the name inside other text
}

}  // namespace

std::string xmlEscaped(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      case '\'': escaped += "&apos;"; break;
      // As references they survive the normalisation of attribute values.
      case '\t': escaped += "&#9;"; break;
      case '\n': escaped += "&#10;"; break;
      case '\r': escaped += "&#13;"; break;
      default:
        // Other control characters are not allowed in XML at all, not even
        // as references; they are left out.
        if (static_cast<unsigned char>(c) >= 0x20) escaped += c;
        break;
    }
  }
  return escaped;
}

int setXmpProducer(std::string* packet, const std::string& producer) {
  // UTF-16 and UTF-32 packets (allowed, but rare in PDF) have zero bytes in
  // every ASCII character; editing them as text would corrupt them.
  if (packet->find('\0') != std::string::npos) return -1;
  const std::string value = xmlEscaped(producer);
  int count = 0;
  for (const auto& prefix : prefixesBoundTo(*packet, kPdfNamespace, "pdf")) {
    const std::string name = prefix + ":Producer";
    size_t at = packet->find(name);
    while (at != std::string::npos) {
      bool changed = false;
      size_t next = setPropertyAt(packet, name, at, value, &changed);
      if (changed) ++count;
      if (next == std::string::npos) break;
      at = packet->find(name, next);
    }
  }
  return count;
}

}  // namespace vlutil
