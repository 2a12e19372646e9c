#include "monitor/win32/spool_writer.h"

#include <aclapi.h>
#include <shlobj.h>

#include <cstdio>
#include <vector>

#include "common/product.h"
#include "monitor/dsc_title.h"
#include "monitor/win32/job_user.h"
#include "platform/files.h"

namespace vellora {
namespace monitor {

namespace {

constexpr int kNameAttempts = 100;
// The header comments of a job lie within its first bytes; only they are
// held back before the data streams through.
constexpr std::size_t kHeadBytes = 65536;

std::string errorOf(DWORD code) { return platform::errorText(static_cast<int>(code)); }

// The SID of a token's user, in a buffer the caller keeps.
PSID userSid(HANDLE token, std::vector<unsigned char>* buffer) {
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  if (size == 0) return nullptr;
  buffer->assign(size, 0);
  if (!GetTokenInformation(token, TokenUser, buffer->data(), size, &size)) return nullptr;
  return reinterpret_cast<TOKEN_USER*>(buffer->data())->User.Sid;
}

// A security descriptor that gives the job's user and the monitor's own
// account all rights to the file and nobody else any, and inherits nothing.
class PrivateFileSecurity {
 public:
  explicit PrivateFileSecurity(const JobUser& user) {
    HANDLE own = nullptr;
    {
      AsMonitorAccount monitorAccount;
      if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own)) return;
    }
    PSID monitorSid = userSid(own, &monitorBuffer_);
    CloseHandle(own);
    PSID jobSid = user.token() ? userSid(user.token(), &userBuffer_) : monitorSid;
    if (monitorSid == nullptr || jobSid == nullptr) return;
    EXPLICIT_ACCESSA entries[2] = {};
    ULONG count = 0;
    for (PSID sid : {jobSid, monitorSid}) {
      if (count == 1 && EqualSid(sid, jobSid)) break;
      entries[count].grfAccessPermissions = GENERIC_ALL;
      entries[count].grfAccessMode = SET_ACCESS;
      entries[count].grfInheritance = NO_INHERITANCE;
      entries[count].Trustee.TrusteeForm = TRUSTEE_IS_SID;
      entries[count].Trustee.TrusteeType = TRUSTEE_IS_USER;
      entries[count].Trustee.ptstrName = static_cast<LPSTR>(sid);
      ++count;
    }
    if (SetEntriesInAclA(count, entries, nullptr, &acl_) != ERROR_SUCCESS) return;
    if (!InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor_, TRUE, acl_, FALSE) ||
        !SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
      return;
    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = &descriptor_;
    attributes_.bInheritHandle = FALSE;
    ready_ = true;
  }
  ~PrivateFileSecurity() {
    if (acl_) LocalFree(acl_);
  }
  PrivateFileSecurity(const PrivateFileSecurity&) = delete;
  PrivateFileSecurity& operator=(const PrivateFileSecurity&) = delete;

  SECURITY_ATTRIBUTES* attributes() { return ready_ ? &attributes_ : nullptr; }

 private:
  std::vector<unsigned char> monitorBuffer_, userBuffer_;
  PACL acl_ = nullptr;
  SECURITY_DESCRIPTOR descriptor_ = {};
  SECURITY_ATTRIBUTES attributes_ = {};
  bool ready_ = false;
};

bool makeFolder(const std::string& folder, std::string* why) {
  if (CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) {
    DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
      return true;
    *why = "the working folder " + folder + " is not a folder of its own";
    return false;
  }
  *why = "cannot make the working folder " + folder + ": " + errorOf(GetLastError());
  return false;
}

}  // namespace

std::string userWorkingFolder(const JobUser& user, std::string* why) {
  JobUser::ActingAs acting(user);
  if (!acting.ok()) {
    *why = "cannot act as " + user.name() + ": " + errorOf(GetLastError());
    return std::string();
  }
  char data[MAX_PATH + 1] = {};
  HRESULT result = SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, user.token(), SHGFP_TYPE_CURRENT, data);
  if (FAILED(result) || data[0] == 0) {
    *why = "the application data folder of " + user.name() + " is not known";
    return std::string();
  }
  std::string folder = data;
  if (folder.back() == '\\') folder.pop_back();
  folder += std::string("\\") + kProductName;
  if (!makeFolder(folder, why)) return std::string();
  folder += "\\Temp";
  if (!makeFolder(folder, why)) return std::string();
  return folder;
}

SpoolWriter::~SpoolWriter() { discard(); }

bool SpoolWriter::create(const JobUser& user, std::string* why) {
  discard();
  counter_ = PageCounter();
  head_.clear();
  headWritten_ = false;
  const std::string folder = userWorkingFolder(user, why);
  if (folder.empty()) return false;

  JobUser::ActingAs acting(user);
  PrivateFileSecurity security(user);
  if (security.attributes() == nullptr) {
    *why = "cannot describe a file private to " + user.name() + ": " + errorOf(GetLastError());
    return false;
  }
  // Names that differ between processes and jobs; CREATE_NEW never takes
  // an existing file, whoever made it.
  LARGE_INTEGER counter = {};
  QueryPerformanceCounter(&counter);
  unsigned seed = static_cast<unsigned>(counter.QuadPart) ^ (GetCurrentProcessId() << 16) ^ GetCurrentThreadId();
  DWORD error = 0;
  for (int attempt = 0; attempt < kNameAttempts && file_ == INVALID_HANDLE_VALUE; ++attempt) {
    seed = seed * 1664525u + 1013904223u;
    char name[32];
    std::snprintf(name, sizeof name, "\\vlm%08X.ps", seed);
    path_ = folder + name;
    file_ = CreateFileA(path_.c_str(), GENERIC_WRITE, 0, security.attributes(), CREATE_NEW,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    error = GetLastError();
    if (file_ == INVALID_HANDLE_VALUE && error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  if (file_ == INVALID_HANDLE_VALUE) {
    *why = "cannot create a spool file in " + folder + ": " + errorOf(error);
    path_.clear();
    return false;
  }
  return true;
}

bool SpoolWriter::writeRaw(const char* data, std::size_t size, std::string* why) {
  while (size > 0) {
    DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(file_, data, chunk, &written, nullptr) || written == 0) {
      *why = "cannot write the spool file " + path_ + ": " + errorOf(GetLastError());
      return false;
    }
    data += written;
    size -= written;
  }
  return true;
}

bool SpoolWriter::flushHead(std::string* why) {
  headWritten_ = true;
  const std::string rewritten = withPlainTitle(head_);
  head_.clear();
  return writeRaw(rewritten.data(), rewritten.size(), why);
}

bool SpoolWriter::write(const char* data, std::size_t size, std::string* why) {
  if (!open()) {
    *why = "no spool file is open";
    return false;
  }
  counter_.feed(data, size);
  if (headWritten_) return writeRaw(data, size, why);
  head_.append(data, size);
  if (head_.size() < kHeadBytes && head_.find("%%EndComments") == std::string::npos) return true;
  return flushHead(why);
}

bool SpoolWriter::finish(std::string* why) {
  if (!open()) {
    *why = "no spool file is open";
    return false;
  }
  bool ok = headWritten_ || flushHead(why);
  if (ok && !FlushFileBuffers(file_)) {
    *why = "cannot write the spool file " + path_ + ": " + errorOf(GetLastError());
    ok = false;
  }
  if (!CloseHandle(file_) && ok) {
    *why = "cannot close the spool file " + path_ + ": " + errorOf(GetLastError());
    ok = false;
  }
  file_ = INVALID_HANDLE_VALUE;
  if (!ok) discard();
  return ok;
}

void SpoolWriter::discard() {
  if (file_ != INVALID_HANDLE_VALUE) {
    CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
  }
  if (!path_.empty()) DeleteFileA(path_.c_str());
  path_.clear();
}

}  // namespace monitor
}  // namespace vellora
