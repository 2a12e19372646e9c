#include "converter/job/job_record.h"

#include "platform/files.h"

namespace vellora {

std::size_t shortPathCapacity() {
  return platform::kShortPathCapacity < kPathCapacity ? platform::kShortPathCapacity
                                                      : kPathCapacity;
}

void ErrorLog::append(const char* text, std::size_t size) {
  // Plain loop, no library calls: the crash handler appends through here.
  std::size_t room = kCapacity - 1 - length_;
  std::size_t n = size < room ? size : room;
  for (std::size_t i = 0; i < n; ++i) text_[length_ + i] = text[i];
  length_ += n;
  text_[length_] = '\0';
}

}  // namespace vellora
