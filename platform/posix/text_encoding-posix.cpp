// The system's texts on POSIX are UTF-8.
#include "platform/text_encoding.h"

namespace platform {

const bool kTextIsUtf8 = true;

std::string textFromUtf8(const std::string& utf8) { return utf8; }

}  // namespace platform
