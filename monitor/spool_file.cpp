#include "monitor/spool_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <utility>

#include "common/product.h"
#include "monitor/dsc_title.h"
#include "monitor/job_format.h"
#include "monitor/page_count.h"
#include "monitor/pdf_pages.h"
#include "platform/files.h"
#include "platform/posix/descriptors.h"

namespace vellora {
namespace monitor {

namespace {

constexpr int kNameAttempts = 100;
// The header comments of a job lie within its first bytes; only they are
// looked at before the data streams through.
constexpr std::size_t kHeadBytes = 65536;

using platform::posix::writeAll;

std::string errnoText() { return std::strerror(errno); }

}  // namespace

std::string workingFolder(std::string* why) {
  std::string folder = platform::applicationDataFolder() + "/" + kProductName + "/Temp";
  std::string::size_type pos = 0;
  while ((pos = folder.find('/', pos + 1)) != std::string::npos) {
    std::string part = folder.substr(0, pos);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) break;
  }
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    *why = "cannot make the working folder " + folder + ": " + errnoText();
    return std::string();
  }
  struct stat info;
  if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid()) {
    *why = "the working folder " + folder + " is not a folder of the user's own";
    return std::string();
  }
  return folder;
}

namespace {

// Reads from input until `head` holds at least `want` bytes or the data
// ends (then *ended is set). False with *why when reading fails.
bool readHead(int input, std::string* head, std::size_t want, bool* ended, std::string* why) {
  char buffer[4096];
  while (head->size() < want) {
    ssize_t n = ::read(input, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *why = "cannot read the job: " + errnoText();
      return false;
    }
    if (n == 0) {
      *ended = true;
      break;
    }
    head->append(buffer, static_cast<std::size_t>(n));
  }
  return true;
}

// A new file in folder with a random name and the ending given.
int createSpoolFile(const std::string& folder, const char* ending, std::string* path) {
  std::random_device entropy;
  std::mt19937 random(entropy());
  int fd = -1;
  for (int attempt = 0; attempt < kNameAttempts && fd < 0; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "/vlm%08X%s", static_cast<unsigned>(random()), ending);
    *path = folder + name;
    fd = ::open(path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST) break;
  }
  return fd;
}

// Copies the job into fd: `head`, already read, then the rest of input. A
// PostScript job's header (up to its "%%EndComments", at most kHeadBytes)
// is written with its title made plain and its pages are counted; a PDF is
// written as it came.
bool copyJob(int input, int fd, const std::string& path, std::string head, bool ended, bool postScript,
             PageCounter* counter, std::string* why) {
  if (postScript) counter->feed(head.data(), head.size());
  bool headWritten = !postScript;
  if (!postScript && !writeAll(fd, head.data(), head.size())) {
    *why = "cannot write the spool file " + path + ": " + errnoText();
    return false;
  }
  char buffer[65536];
  for (;;) {
    ssize_t n = 0;
    if (!ended) {
      n = ::read(input, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        *why = "cannot read the job: " + errnoText();
        return false;
      }
      if (n == 0) ended = true;
    }
    if (postScript) counter->feed(buffer, static_cast<std::size_t>(n));
    const char* data = buffer;
    std::size_t size = static_cast<std::size_t>(n);
    std::string rewritten;
    if (!headWritten) {
      head.append(buffer, size);
      if (!ended && head.size() < kHeadBytes && head.find("%%EndComments") == std::string::npos) continue;
      rewritten = withPlainTitle(head);
      data = rewritten.data();
      size = rewritten.size();
      headWritten = true;
    }
    if (!writeAll(fd, data, size)) {
      *why = "cannot write the spool file " + path + ": " + errnoText();
      return false;
    }
    if (ended) return true;
  }
}

}  // namespace

bool writeSpoolFile(int input, const std::string& folder, const std::string& deliveredFormat,
                    std::string* path, int* pages, std::string* why) {
  // The first bytes tell what the job is, and so the spool file's name.
  std::string head;
  bool ended = false;
  if (!readHead(input, &head, kFormatWindow, &ended, why)) return false;
  const bool pdf = isPdfData(head);
  const int fd = createSpoolFile(folder, spoolFileEnding(head, deliveredFormat), path);
  if (fd < 0) {
    *why = "cannot create a spool file in " + folder + ": " + errnoText();
    path->clear();
    return false;
  }
  PageCounter counter;
  bool ok = copyJob(input, fd, *path, std::move(head), ended, !pdf, &counter, why);
  if (::close(fd) != 0 && ok) {
    *why = "cannot write the spool file " + *path + ": " + errnoText();
    ok = false;
  }
  if (!ok) {
    ::unlink(path->c_str());
    path->clear();
    return false;
  }
  *pages = pdf ? pdfPageCount(*path) : counter.pages();
  return true;
}

}  // namespace monitor
}  // namespace vellora
