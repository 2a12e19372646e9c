// Text-mode and whole-file I/O on top of <cstdio>, so the same code serves
// every platform. Reading always opens in binary and translates by hand: the
// converter's files come from Windows (CR LF, Ctrl-Z) whatever it runs on.
#include <cstring>

#include "platform/files.h"

namespace platform {

namespace {

constexpr char kCtrlZ = 26;

}  // namespace

TextReader::~TextReader() { close(); }

bool TextReader::open(const std::string& path) {
  close();
  file_ = std::fopen(path.c_str(), "rb");
  ended_ = false;
  pos_ = len_ = 0;
  return file_ != nullptr;
}

void TextReader::close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  ended_ = true;
  pos_ = len_ = 0;
}

bool TextReader::fill() {
  if (ended_ || !file_) return false;
  pos_ = 0;
  len_ = std::fread(buffer_, 1, sizeof buffer_, file_);
  if (len_ == 0) {
    ended_ = true;
    return false;
  }
  // Ctrl-Z ends the text: nothing after it is ever handed out.
  const void* z = std::memchr(buffer_, kCtrlZ, len_);
  if (z) {
    len_ = static_cast<std::size_t>(static_cast<const char*>(z) - buffer_);
    ended_ = true;
  }
  return true;
}

bool TextReader::readLine(std::string* line) {
  line->clear();
  bool any = false;
  for (;;) {
    if (pos_ == len_ && !fill()) break;
    if (pos_ == len_) continue;  // a fill that ended at a Ctrl-Z right away
    any = true;
    const char* start = buffer_ + pos_;
    const void* nl = std::memchr(start, '\n', len_ - pos_);
    if (nl) {
      std::size_t count = static_cast<std::size_t>(static_cast<const char*>(nl) - start);
      line->append(start, count);
      pos_ += count + 1;
      if (!line->empty() && line->back() == '\r') line->pop_back();
      return true;
    }
    line->append(start, len_ - pos_);
    pos_ = len_;
  }
  return any;
}

std::string TextReader::readAll() {
  std::string all;
  for (;;) {
    if (pos_ == len_ && !fill()) break;
    if (pos_ == len_) continue;
    const char* start = buffer_ + pos_;
    all.append(start, len_ - pos_);
    pos_ = len_;
  }
  // CR LF pairs become "\n"; a lone CR stays, as text mode leaves it.
  std::string out;
  out.reserve(all.size());
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (all[i] == '\r' && i + 1 < all.size() && all[i + 1] == '\n') continue;
    out += all[i];
  }
  return out;
}

OutputFile::~OutputFile() { close(); }

bool OutputFile::create(const std::string& path, Mode mode, Creation creation) {
  close();
  failed_ = false;
  // "w" is the C library's text mode: the platform's own line end for "\n".
  if (creation == kNewPrivate)
    file_ = openNewPrivateFile(path, mode == kBinary);
  else
    file_ = std::fopen(path.c_str(), mode == kText ? "w" : "wb");
  return file_ != nullptr;
}

bool OutputFile::write(const std::string& data) { return write(data.data(), data.size()); }

bool OutputFile::write(const char* data, std::size_t size) {
  if (!file_) return false;
  if (size > 0 && std::fwrite(data, 1, size, file_) != size) failed_ = true;
  return !failed_;
}

bool OutputFile::close() {
  if (!file_) return false;
  if (std::fflush(file_) != 0) failed_ = true;
  if (std::ferror(file_)) failed_ = true;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}

bool writeTextFile(const std::string& path, const std::string& text) {
  OutputFile out;
  if (!out.create(path, OutputFile::kText)) return false;
  out.write(text);
  return out.close();
}

bool readBinaryFile(const std::string& path, std::string* bytes) {
  bytes->clear();
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char buffer[16384];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes->append(buffer, n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

bool writeBinaryFile(const std::string& path, const std::string& bytes) {
  OutputFile out;
  if (!out.create(path, OutputFile::kBinary)) return false;
  out.write(bytes);
  return out.close();
}

bool appendFileTo(const std::string& from, OutputFile& out) {
  if (!out.isOpen()) return false;
  std::FILE* f = std::fopen(from.c_str(), "rb");
  if (!f) return false;
  char buffer[16384];
  std::size_t n;
  bool ok = true;
  while (ok && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0) ok = out.write(buffer, n);
  if (std::ferror(f)) ok = false;
  std::fclose(f);
  return ok;
}

}  // namespace platform
