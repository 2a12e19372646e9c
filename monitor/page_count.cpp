#include "monitor/page_count.h"

#include <cctype>

namespace vellora {
namespace monitor {

namespace {

// Comments are short; a longer line is no comment we read, but its start
// still counts.
constexpr std::size_t kMaxCommentLine = 256;

bool startsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

// The count after "%%Pages:", or -1 for "(atend)", 0 when there is none.
int pagesValue(const std::string& text) {
  std::size_t i = 8;  // past "%%Pages:"
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (text.compare(i, 7, "(atend)") == 0) return -1;
  long long value = 0;
  bool digits = false;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    digits = true;
    if (value <= PageCounter::kMaxPages) value = value * 10 + (text[i] - '0');
  }
  if (!digits) return 0;
  return value > PageCounter::kMaxPages ? PageCounter::kMaxPages : static_cast<int>(value);
}

}  // namespace

void PageCounter::feed(const char* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    char c = data[i];
    if (c == '\n' || c == '\r') {
      line(current_);
      current_.clear();
    } else if (current_.size() < kMaxCommentLine) {
      current_ += c;
    }
  }
}

void PageCounter::line(const std::string& text) {
  if (text.size() < 2 || text[0] != '%' || text[1] != '%') return;
  if (startsWith(text, "%%BeginDocument")) {
    ++depth_;
  } else if (startsWith(text, "%%EndDocument")) {
    if (depth_ > 0) --depth_;
  } else if (depth_ == 0 && startsWith(text, "%%Pages:")) {
    int value = pagesValue(text);
    if (!sawHeader_) {
      sawHeader_ = true;
      if (value < 0)
        atEnd_ = true;
      else
        header_ = value;
    } else if (atEnd_ && value > 0) {
      trailer_ = value;  // the last one of the trailer wins
    }
  }
}

int PageCounter::pages() const {
  PageCounter copy = *this;
  if (!copy.current_.empty()) copy.line(copy.current_);  // a last line without its end
  int count = copy.atEnd_ ? copy.trailer_ : copy.header_;
  return count > 0 ? count : 1;
}

}  // namespace monitor
}  // namespace vellora
