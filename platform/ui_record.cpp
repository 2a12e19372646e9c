#include "platform/ui_record.h"

#include <cstdio>
#include <vector>

namespace platform {

std::string escapeRecordField(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\t')
      out += "\\t";
    else
      out += c;
  }
  return out;
}

std::string unescapeRecordField(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      char next = text[i + 1];
      if (next == '\\' || next == 'n' || next == 't') {
        out += next == 'n' ? '\n' : next == 't' ? '\t' : '\\';
        ++i;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::string recordLine(const std::vector<std::string>& fields) {
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i) line += '\t';
    line += escapeRecordField(fields[i]);
  }
  return line;
}

bool appendRecordLine(const std::string& path, const std::string& line) {
  std::FILE* f = std::fopen(path.c_str(), "ab");
  if (!f) return false;
  // A buffer that holds the whole line, so that it reaches the file in a
  // single append write.
  const std::string whole = line + '\n';
  std::vector<char> buffer(whole.size() + 64);
  std::setvbuf(f, buffer.data(), _IOFBF, buffer.size());
  bool written = std::fwrite(whole.data(), 1, whole.size(), f) == whole.size();
  return std::fclose(f) == 0 && written;
}

}  // namespace platform
