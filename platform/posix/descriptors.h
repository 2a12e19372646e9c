// Whole reads and writes on file descriptors, shared by the POSIX file code.
#pragma once

#include <cstddef>

namespace platform {
namespace posix {

// Writes everything, going on after interruptions; false with errno set.
bool writeAll(int fd, const char* data, std::size_t size);
// Copies an open source to its end into an open target; false with errno set.
bool copyContents(int in, int out);

}  // namespace posix
}  // namespace platform
