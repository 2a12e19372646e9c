// One job through the port "VLM:", from StartDocPort to EndDocPort: the
// job's user and printer are found, its PostScript goes into a spool file
// of the user's, and at its end the converter is started for it:
//   vlconv PAGES SPOOLFILE TITLE PRINTER
// Whatever fails is logged (monitor_log.h), and the spool file goes with it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "monitor/win32/job_user.h"
#include "monitor/win32/spool_writer.h"

namespace vellora {
namespace monitor {

class PortJob {
 public:
  // A job begins. The printer and job id are the spooler's (empty and 0
  // when it gives none); the document name becomes the title. False with
  // *error (a Windows error code) when the job is refused or cannot be
  // taken.
  bool start(const std::wstring& printer, DWORD jobId, const std::wstring& document, DWORD* error);
  bool write(const void* data, DWORD size, DWORD* error);
  // The job's data is complete: the converter is started.
  bool end(DWORD* error);
  // The port closes: a job that did not end is given up.
  void abandon();

  bool running() const { return running_; }

 private:
  std::unique_ptr<JobUser> user_;
  SpoolWriter spool_;
  std::string title_;
  std::string printer_;
  std::string converter_;
  bool running_ = false;
};

}  // namespace monitor
}  // namespace vellora
