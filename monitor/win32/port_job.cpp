#include "monitor/win32/port_job.h"

#include "common/monitor_contract.h"
#include "common/product.h"
#include "common/program_files.h"
#include "monitor/win32/converter_launch.h"
#include "monitor/win32/monitor_log.h"
#include "monitor/win32/printer_choice.h"

namespace vellora {
namespace monitor {

namespace {

// The product folder's capacity, as every program reads "AppPath".
constexpr std::size_t kProductFolderCapacity = 260;

std::string narrow(const std::wstring& text) {
  if (text.empty()) return std::string();
  int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &result[0], size, nullptr, nullptr);
  return result;
}

// A title as it goes into the log: on one line, not too long.
std::string loggable(const std::string& text) {
  std::string result = text.substr(0, 200);
  for (char& c : result)
    if (c == '\r' || c == '\n') c = ' ';
  return result;
}

// The installed converter; empty with *why when there is none.
std::string converterProgram(std::string* why) {
  const std::string product = applicationFolder(kProductKey, kProductFolderCapacity);
  if (product.empty()) {
    *why = "Vellora is not installed on this machine (no product folder in the registry)";
    return std::string();
  }
  const std::string program = programFile(product, kConverterProgram);
  const DWORD attributes = GetFileAttributesA(program.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    *why = "the converter " + program + " is not there";
    return std::string();
  }
  return program;
}

}  // namespace

bool PortJob::start(const std::wstring& printer, DWORD jobId, const std::wstring& document, DWORD* error) {
  abandon();
  title_ = narrow(document);
  std::string note;
  printer_ = printer.empty() ? choosePrinter(std::string(), printersOnPort(kMonitorPort), &note) : narrow(printer);
  if (!note.empty()) monitorLog("\"" + loggable(title_) + "\": " + note);

  std::string why;
  user_.reset(new JobUser);
  if (!user_->find(printer, jobId, &why)) {
    monitorLog("Vellora refused the job \"" + loggable(title_) + "\"" +
               (user_->name().empty() ? std::string() : " of " + user_->name()) + ": " + why);
    *error = ERROR_ACCESS_DENIED;
    return false;
  }
  converter_ = converterProgram(&why);
  if (converter_.empty() || !spool_.create(*user_, &why)) {
    monitorLog("Vellora could not take the job \"" + loggable(title_) + "\" of " + user_->name() + ": " + why);
    *error = converter_.empty() ? ERROR_FILE_NOT_FOUND : ERROR_CANNOT_MAKE;
    return false;
  }
  monitorLog("Job \"" + loggable(title_) + "\" of " + user_->name() + " on printer \"" + printer_ + "\"");
  running_ = true;
  return true;
}

bool PortJob::write(const void* data, DWORD size, DWORD* error) {
  if (!running_) {
    *error = ERROR_INVALID_HANDLE;
    return false;
  }
  std::string why;
  if (!spool_.write(static_cast<const char*>(data), size, &why)) {
    monitorLog("Vellora could not take the job \"" + loggable(title_) + "\": " + why);
    spool_.discard();
    running_ = false;
    *error = ERROR_WRITE_FAULT;
    return false;
  }
  return true;
}

bool PortJob::end(DWORD* error) {
  if (!running_) {
    *error = ERROR_INVALID_HANDLE;
    return false;
  }
  running_ = false;
  std::string why;
  if (!spool_.finish(&why)) {
    monitorLog("Vellora could not convert the job \"" + loggable(title_) + "\": " + why);
    *error = ERROR_WRITE_FAULT;
    return false;
  }
  ConverterJob job;
  job.program = converter_;
  job.pages = spool_.pages();
  job.spoolFile = spool_.path();
  job.title = title_;
  job.printer = printer_;
  job.folder = job.spoolFile.substr(0, job.spoolFile.rfind('\\'));
  if (!startConverter(job, *user_, &why)) {
    monitorLog("Vellora could not convert the job \"" + loggable(title_) + "\": " + why);
    spool_.discard();
    *error = ERROR_FILE_NOT_FOUND;
    return false;
  }
  spool_.handOver();
  monitorLog("Converting \"" + loggable(title_) + "\" (" + std::to_string(job.pages) + " pages) for " +
             user_->name());
  return true;
}

void PortJob::abandon() {
  if (running_) monitorLog("The job \"" + loggable(title_) + "\" ended before its data was complete");
  spool_.discard();
  running_ = false;
}

}  // namespace monitor
}  // namespace vellora
