// The job's spool file on Windows: in the user's working folder (the
// converter's, "Vellora\\Temp" under the user's application data), created
// new, open to the user alone and to the account the monitor runs as (which
// removes what a job that fails leaves behind). The PostScript streams
// through as the spooler hands it over; its header comments give the page
// count, and its title is written as plain text, as the converter reads it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "monitor/page_count.h"

namespace vellora {
namespace monitor {

class JobUser;

// The user's working folder, made with its parents when missing (as the
// user); empty with *why when it cannot be had.
std::string userWorkingFolder(const JobUser& user, std::string* why);

class SpoolWriter {
 public:
  SpoolWriter() = default;
  // A file that was not handed over goes.
  ~SpoolWriter();
  SpoolWriter(const SpoolWriter&) = delete;
  SpoolWriter& operator=(const SpoolWriter&) = delete;

  // Makes a new spool file in the user's working folder. False with *why.
  bool create(const JobUser& user, std::string* why);
  bool write(const char* data, std::size_t size, std::string* why);
  // Writes what is held back and closes the file; false with *why, and the
  // file removed, when that fails.
  bool finish(std::string* why);
  // Closes and removes the file.
  void discard();
  // The finished file belongs to the converter from now on: this object
  // forgets it.
  void handOver() { path_.clear(); }

  bool open() const { return file_ != INVALID_HANDLE_VALUE; }
  const std::string& path() const { return path_; }
  int pages() const { return counter_.pages(); }

 private:
  bool writeRaw(const char* data, std::size_t size, std::string* why);
  bool flushHead(std::string* why);

  HANDLE file_ = INVALID_HANDLE_VALUE;
  std::string path_;
  PageCounter counter_;
  std::string head_;
  bool headWritten_ = false;
};

}  // namespace monitor
}  // namespace vellora
