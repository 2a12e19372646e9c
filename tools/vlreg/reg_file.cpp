// Reading and writing .reg files the way regedit does, so that files made on
// Windows ("vlmode.reg" and friends) apply here and ours open there.
#include "tools/vlreg/reg_file.h"

#include <cstdio>
#include <cstdint>
#include <vector>

#include "platform/files.h"
#include "platform/text_encoding.h"

namespace vlreg {

using namespace platform;

namespace {

const char kHeader4[] = "REGEDIT4";
const char kHeader5[] = "Windows Registry Editor Version 5.00";
// regedit breaks hex lists once a line reaches this many columns.
const std::size_t kHexLineColumns = 77;

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool startsWithNoCase(const std::string& text, std::size_t pos, const char* prefix) {
  for (std::size_t i = 0; prefix[i]; ++i) {
    if (pos + i >= text.size() || asciiLower(text[pos + i]) != asciiLower(prefix[i])) return false;
  }
  return true;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string trimmed(const std::string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && isBlank(text[begin])) ++begin;
  while (end > begin && isBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// Blanks, optionally followed by a "; comment".
bool onlyComment(const std::string& text) {
  std::string rest = trimmed(text);
  return rest.empty() || rest[0] == ';';
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The file's text in the system's own encoding, whichever of regedit's
// encodings it came in: the same text stores the same bytes.
std::string decodeText(const std::string& raw) {
  if (raw.size() >= 2 && static_cast<unsigned char>(raw[0]) == 0xFF &&
      static_cast<unsigned char>(raw[1]) == 0xFE)
    return textFromUtf8(utf16leToUtf8(raw.substr(2)));
  if (raw.size() >= 3 && static_cast<unsigned char>(raw[0]) == 0xEF &&
      static_cast<unsigned char>(raw[1]) == 0xBB && static_cast<unsigned char>(raw[2]) == 0xBF)
    return textFromUtf8(raw.substr(3));
  return textFromAnsi(raw);
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

// A quoted text starting at text[pos] == '"'; pos ends past the closing quote.
bool parseQuoted(const std::string& text, std::size_t* pos, std::string* out) {
  out->clear();
  std::size_t i = *pos + 1;
  while (i < text.size()) {
    char c = text[i];
    if (c == '"') {
      *pos = i + 1;
      return true;
    }
    if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
      out->push_back(text[i + 1]);
      i += 2;
      continue;
    }
    out->push_back(c);
    ++i;
  }
  return false;
}

bool parseHexList(const std::string& text, std::string* bytes, std::string* problem) {
  bytes->clear();
  std::string body = trimmed(text);
  if (body.empty()) return true;
  std::size_t start = 0;
  while (start <= body.size()) {
    std::size_t comma = body.find(',', start);
    std::string token =
        trimmed(body.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    bool last = comma == std::string::npos;
    if (token.empty()) {
      if (last && start > 0) return true;  // a trailing comma
      *problem = "missing hex byte";
      return false;
    }
    if (token.size() > 2 || hexDigit(token[0]) < 0 ||
        (token.size() == 2 && hexDigit(token[1]) < 0)) {
      *problem = "bad hex byte \"" + token + "\"";
      return false;
    }
    int value = hexDigit(token[0]);
    if (token.size() == 2) value = value * 16 + hexDigit(token[1]);
    bytes->push_back(static_cast<char>(value));
    if (last) return true;
    start = comma + 1;
  }
  return true;
}

// Wide-character data of a version 5 file, in the system's encoding.
std::string narrowUtf16(const std::string& bytes) { return textFromUtf8(utf16leToUtf8(bytes)); }

class Importer {
 public:
  explicit Importer(Registry& reg) : registry_(reg) {}
  ~Importer() { closeKey(); }

  RegFileResult run(const std::string& text) {
    lines_ = splitLines(decodeText(text));
    std::size_t index = 0;
    while (index < lines_.size() && trimmed(lines_[index]).empty()) ++index;
    std::string header = index < lines_.size() ? trimmed(lines_[index]) : std::string();
    if (header == kHeader5) {
      unicode_ = true;
    } else if (header != kHeader4) {
      return fail(static_cast<int>(index) + 1, "not a registry file (missing REGEDIT4 header)");
    }
    for (++index; index < lines_.size(); ++index) {
      int number = static_cast<int>(index) + 1;
      std::string line = trimmed(lines_[index]);
      if (line.empty() || line[0] == ';') continue;
      bool ok = line[0] == '[' ? keyLine(line) : valueLine(line, &index);
      if (!ok) return fail(number, problem_);
    }
    result_.ok = true;
    return result_;
  }

 private:
  RegFileResult fail(int line, const std::string& message) {
    result_.ok = false;
    result_.line = line;
    result_.message = message;
    return result_;
  }

  void closeKey() {
    if (key_) registry_.Close(key_);
    key_ = 0;
  }

  bool keyLine(const std::string& line) {
    closeKey();
    inKey_ = true;
    std::size_t close = line.rfind(']');
    if (close == std::string::npos) return problem("missing \"]\"");
    std::string name = line.substr(1, close - 1);
    bool remove = !name.empty() && name[0] == '-';
    if (remove) name.erase(0, 1);
    RegRoot root;
    std::string path;
    if (!parseKeyPath(name, &root, &path)) return problem("unknown root key in \"" + name + "\"");
    if (remove) {
      long status = registry_.DeleteTree(root, path);
      if (status == kRegOk) ++result_.keys;
      else if (status != kRegNotFound)
        return problem("cannot delete key " + name + " (error " + std::to_string(status) + ")");
      return true;  // values up to the next key belong to a deleted key: ignored
    }
    long status = registry_.Create(root, path, &key_);
    if (status != kRegOk) {
      key_ = 0;
      return problem("cannot create key " + name + " (error " + std::to_string(status) + ")");
    }
    ++result_.keys;
    return true;
  }

  bool valueLine(const std::string& line, std::size_t* index) {
    if (!inKey_) return problem("value outside of a key");
    std::size_t pos = 0;
    std::string name;
    if (line[0] == '@') {
      pos = 1;
    } else if (line[0] == '"') {
      if (!parseQuoted(line, &pos, &name)) return problem("unterminated value name");
    } else {
      return problem("expected a value name or a [key]");
    }
    while (pos < line.size() && isBlank(line[pos])) ++pos;
    if (pos >= line.size() || line[pos] != '=') return problem("expected \"=\" after the value name");
    ++pos;
    while (pos < line.size() && isBlank(line[pos])) ++pos;
    std::string data = line.substr(pos);

    if (!data.empty() && data[0] == '"') {
      std::size_t end = 0;
      std::string text;
      if (!parseQuoted(data, &end, &text)) return problem("unterminated string");
      if (!onlyComment(data.substr(end))) return problem("unexpected text after the string");
      return setValue(name, kRegSz, text);
    }
    if (trimmed(data) == "-") return deleteValue(name);
    if (startsWithNoCase(data, 0, "dword:")) {
      std::string digits = data.substr(6);
      digits = trimmed(digits.substr(0, digits.find(';')));
      if (digits.empty() || digits.size() > 8) return problem("bad dword \"" + digits + "\"");
      std::uint32_t value = 0;
      for (char c : digits) {
        int d = hexDigit(c);
        if (d < 0) return problem("bad dword \"" + digits + "\"");
        value = value * 16 + static_cast<std::uint32_t>(d);
      }
      std::string bytes(4, '\0');
      for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
      return setValue(name, kRegDword, bytes);
    }
    if (startsWithNoCase(data, 0, "hex")) {
      std::size_t at = 3;
      std::uint32_t type = kRegBinary;
      if (at < data.size() && data[at] == '(') {
        std::size_t close = data.find(')', at);
        if (close == std::string::npos || close == at + 1 || close - at - 1 > 8)
          return problem("bad value type in \"" + data + "\"");
        type = 0;
        for (std::size_t i = at + 1; i < close; ++i) {
          int d = hexDigit(data[i]);
          if (d < 0) return problem("bad value type in \"" + data + "\"");
          type = type * 16 + static_cast<std::uint32_t>(d);
        }
        at = close + 1;
      }
      if (at >= data.size() || data[at] != ':') return problem("expected \":\" after hex");
      std::string list = data.substr(at + 1);
      // A list goes on to the next line while a line ends in a backslash.
      for (;;) {
        std::string tail = trimmed(list);
        if (tail.empty() || tail.back() != '\\') break;
        tail.pop_back();
        list = tail;
        if (*index + 1 >= lines_.size()) break;
        ++*index;
        list += trimmed(lines_[*index]);
      }
      std::string bytes, why;
      if (!parseHexList(list, &bytes, &why)) return problem(why);
      if (unicode_ && (type == kRegSz || type == kRegExpandSz || type == kRegMultiSz))
        bytes = narrowUtf16(bytes);
      return setValue(name, static_cast<RegType>(type), bytes);
    }
    return problem("unknown value type in \"" + data + "\"");
  }

  bool setValue(const std::string& name, RegType type, const std::string& bytes) {
    if (!key_) return true;  // under a deleted key
    long status = registry_.SetValue(key_, name, type, bytes);
    if (status != kRegOk)
      return problem("cannot set value \"" + name + "\" (error " + std::to_string(status) + ")");
    ++result_.values;
    return true;
  }

  bool deleteValue(const std::string& name) {
    if (!key_) return true;
    long status = registry_.DeleteValue(key_, name);
    if (status == kRegOk) ++result_.values;
    else if (status != kRegNotFound)
      return problem("cannot delete value \"" + name + "\" (error " + std::to_string(status) + ")");
    return true;
  }

  bool problem(const std::string& message) {
    problem_ = message;
    return false;
  }

  Registry& registry_;
  RegFileResult result_;
  std::vector<std::string> lines_;
  std::string problem_;
  RegHandle key_ = 0;
  bool inKey_ = false;
  bool unicode_ = false;
};

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out.push_back('\\');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

void appendHexData(std::string* out, std::size_t lineLength, const std::string& bytes) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(bytes[i]));
    out->append(digits);
    if (i + 1 == bytes.size()) break;
    out->push_back(',');
    lineLength += 3;
    if (lineLength >= kHexLineColumns) {
      out->append("\\\r\n  ");
      lineLength = 2;
    }
  }
}

void appendValue(std::string* out, const std::string& name, RegType type, const std::string& data) {
  std::string line = name.empty() ? std::string("@=") : quoted(name) + "=";
  bool plainString = type == kRegSz && data.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
  if (plainString) {
    out->append(line + quoted(data) + "\r\n");
    return;
  }
  if (type == kRegDword && data.size() == 4) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
      value |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
    char digits[16];
    std::snprintf(digits, sizeof digits, "dword:%08x", value);
    out->append(line + digits + "\r\n");
    return;
  }
  std::string bytes = data;
  // Strings are stored without their terminator; in a hex list regedit shows it.
  if (type == kRegSz || type == kRegExpandSz) bytes.push_back('\0');
  char prefix[24];
  if (type == kRegBinary)
    std::snprintf(prefix, sizeof prefix, "hex:");
  else
    std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(type));
  line += prefix;
  out->append(line);
  appendHexData(out, line.size(), bytes);
  out->append("\r\n");
}

// The path as stored, each component in the case it was created with.
std::string storedPath(Registry& reg, RegRoot root, const std::string& path) {
  std::string result, walked;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t cut = path.find('\\', start);
    std::string part = path.substr(start, cut == std::string::npos ? std::string::npos : cut - start);
    if (!part.empty()) {
      RegHandle key = 0;
      if (reg.Open(root, walked, kRegRead, &key) == kRegOk) {
        std::string name;
        for (std::uint32_t i = 0; reg.EnumKey(key, i, &name) == kRegOk; ++i) {
          if (name.size() == part.size()) {
            bool same = true;
            for (std::size_t k = 0; k < name.size() && same; ++k)
              same = asciiLower(name[k]) == asciiLower(part[k]);
            if (same) {
              part = name;
              break;
            }
          }
        }
        reg.Close(key);
      }
      walked += (walked.empty() ? "" : "\\") + part;
      result = walked;
    }
    if (cut == std::string::npos) break;
    start = cut + 1;
  }
  return result;
}

bool exportKey(Registry& reg, RegRoot root, const std::string& path, std::string* out) {
  RegHandle key = 0;
  if (reg.Open(root, path, kRegRead, &key) != kRegOk) return false;
  out->append("[");
  out->append(rootName(root));
  if (!path.empty()) out->append("\\" + path);
  out->append("]\r\n");
  std::string name, data;
  RegType type = kRegNone;
  for (std::uint32_t i = 0; reg.EnumValue(key, i, &name, &type, &data) == kRegOk; ++i)
    appendValue(out, name, type, data);
  out->append("\r\n");
  std::vector<std::string> children;
  for (std::uint32_t i = 0; reg.EnumKey(key, i, &name) == kRegOk; ++i) children.push_back(name);
  reg.Close(key);
  for (const std::string& child : children) {
    // A subkey deleted meanwhile by another process is simply left out.
    exportKey(reg, root, path.empty() ? child : path + "\\" + child, out);
  }
  return true;
}

}  // namespace

RegFileResult importRegText(Registry& registry, const std::string& text) {
  Importer importer(registry);
  return importer.run(text);
}

RegFileResult importRegFile(Registry& registry, const std::string& path) {
  std::string bytes;
  if (!readBinaryFile(path, &bytes)) {
    RegFileResult result;
    result.message = "cannot read " + path;
    return result;
  }
  return importRegText(registry, bytes);
}

bool exportRegText(Registry& registry, RegRoot root, const std::string& path, std::string* text) {
  std::string out = std::string(kHeader4) + "\r\n\r\n";
  if (!exportKey(registry, root, storedPath(registry, root, path), &out)) return false;
  if (text) *text = out;
  return true;
}

bool exportRegFile(Registry& registry, RegRoot root, const std::string& path,
                   const std::string& file) {
  std::string text;
  if (!exportRegText(registry, root, path, &text)) return false;
  return writeBinaryFile(file, text);
}

}  // namespace vlreg
