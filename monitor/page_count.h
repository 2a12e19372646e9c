// The page count of a PostScript job, read from its document structuring
// comments as the data streams past: "%%Pages: N" in the header, or
// "%%Pages: (atend)" there and the number in the trailer. Comments inside
// embedded documents (%%BeginDocument ... %%EndDocument) belong to those
// documents and are skipped. A job that names no count has one page.
#pragma once

#include <cstddef>
#include <string>

namespace vellora {
namespace monitor {

class PageCounter {
 public:
  // Feeds the next bytes of the job, in any pieces.
  void feed(const char* data, std::size_t size);
  // The count once all data is fed: at least 1, at most kMaxPages.
  int pages() const;

  static constexpr int kMaxPages = 99999999;

 private:
  void line(const std::string& text);

  std::string current_;
  int depth_ = 0;
  int header_ = 0;
  int trailer_ = 0;
  bool atEnd_ = false;
  bool sawHeader_ = false;
};

}  // namespace monitor
}  // namespace vellora
