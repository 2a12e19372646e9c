#include "converter/postscript/spool_title.h"

#include "common/text.h"
#include "platform/files.h"

namespace vellora {

namespace {

// The title starts at this character of its comment line: "%%Title:" and the
// blank the driver writes after it.
constexpr std::size_t kTitleColumn = 9;

bool isDecimalDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::size_t applicationPrefixLength(const std::string& text) {
  std::size_t skip = 0;
  if (contains(text, "(Microsoft PowerPoint -"))
    skip = 24;
  else if (contains(text, "Microsoft PowerPoint -"))
    skip = 23;
  else if (contains(text, "Microsoft Word -"))
    skip = 17;
  // A text that ends with the prefix has no blank after it.
  return skip < text.size() ? skip : text.size();
}

bool octalEscapeAt(const std::string& text, std::size_t at, unsigned char* code) {
  if (text.size() < 4 || at > text.size() - 4) return false;
  if (text[at] != '\\') return false;
  for (std::size_t i = 1; i <= 3; ++i)
    if (!isDecimalDigit(text[at + i])) return false;
  unsigned value = 0;
  for (std::size_t i = 1; i <= 3 && text[at + i] <= '7'; ++i)
    value = value * 8 + static_cast<unsigned>(text[at + i] - '0');
  *code = static_cast<unsigned char>(value & 0xFF);
  return true;
}

std::string cutTitleExtension(const std::string& text, bool keepCom) {
  if (text.size() <= 7) return text;
  std::string::size_type dot = text.rfind('.');
  if (dot == std::string::npos || text.size() - dot > 5) return text;
  if (keepCom && endsWithIgnoreCase(text, ".com")) return text;
  return text.substr(0, dot);
}

std::string cleanTitle(const std::string& title) {
  const std::string work = cut(title, kTitleWorkCapacity);
  std::string result;
  for (std::size_t i = applicationPrefixLength(work); i < work.size(); ++i) {
    unsigned char code = static_cast<unsigned char>(work[i]);
    if (octalEscapeAt(work, i, &code)) i += 3;
    // A NUL, decoded or read as it stands, would end the title in every
    // buffer it goes to; the title keeps what follows instead.
    if (code != 0) result += static_cast<char>(code);
  }
  return cutTitleExtension(result, true);
}

int scanSpool(JobRecord& job, const std::string& spoolFile, const std::string& documentName) {
  job.title.clear();
  job.rawTitle.clear();
  int sawPostScript = 0;

  platform::TextReader reader;
  if (reader.open(spoolFile)) {
    std::string line;
    while (reader.readLine(&line)) {
      if (contains(line, "%!PS")) sawPostScript = 1;
      if (contains(line, "%%Title:")) {
        if (line.size() > kTitleColumn) job.title = line.substr(kTitleColumn);
        break;
      }
    }
    reader.close();
  }

  job.rawTitle = job.title.str();
  job.title = cleanTitle(job.title);
  if (job.title.empty()) job.title = cleanTitle(documentName);
  return sawPostScript;
}

bool spoolHasPostScript(const std::string& spoolFile) {
  platform::TextReader reader;
  if (spoolFile.empty() || !reader.open(spoolFile)) return false;
  std::string line;
  while (reader.readLine(&line)) {
    std::string::size_type first = line.find_first_not_of(" \t\r\f\v");
    if (first != std::string::npos && line[first] != '%' && line[first] != '\0') return true;
  }
  return false;
}

}  // namespace vellora
