#include "monitor/win32/job_user.h"

#include <winspool.h>
#include <wtsapi32.h>

#include <vector>

namespace vellora {
namespace monitor {

namespace {

// The token's user SID, in a buffer the caller keeps.
PSID tokenUser(HANDLE token, std::vector<unsigned char>* buffer) {
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  if (size == 0) return nullptr;
  buffer->assign(size, 0);
  if (!GetTokenInformation(token, TokenUser, buffer->data(), size, &size)) return nullptr;
  return reinterpret_cast<TOKEN_USER*>(buffer->data())->User.Sid;
}

std::string narrow(const wchar_t* text) {
  if (text == nullptr || *text == 0) return std::string();
  int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return std::string();
  std::string result(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, &result[0], size, nullptr, nullptr);
  result.resize(static_cast<std::size_t>(size) - 1);
  return result;
}

// The job's owner as the spooler records it; empty without a printer and a job.
std::wstring spoolerOwner(const std::wstring& printer, DWORD jobId) {
  if (printer.empty() || jobId == 0) return std::wstring();
  HANDLE handle = nullptr;
  if (!OpenPrinterW(const_cast<wchar_t*>(printer.c_str()), &handle, nullptr)) return std::wstring();
  std::wstring owner;
  DWORD needed = 0;
  GetJobW(handle, jobId, 1, nullptr, 0, &needed);
  if (needed > 0) {
    std::vector<BYTE> buffer(needed);
    if (GetJobW(handle, jobId, 1, buffer.data(), needed, &needed)) {
      const JOB_INFO_1W* job = reinterpret_cast<const JOB_INFO_1W*>(buffer.data());
      if (job->pUserName) owner = job->pUserName;
    }
  }
  ClosePrinter(handle);
  return owner;
}

// The primary token of the active desktop session whose user is `owner`
// ("user" or "DOMAIN\\user"); null when there is none.
HANDLE ownerSessionToken(const std::wstring& owner) {
  std::wstring user = owner;
  std::wstring domain;
  std::wstring::size_type slash = owner.find(L'\\');
  if (slash != std::wstring::npos) {
    domain = owner.substr(0, slash);
    user = owner.substr(slash + 1);
  }
  WTS_SESSION_INFOW* sessions = nullptr;
  DWORD count = 0;
  if (!WTSEnumerateSessionsW(WTS_CURRENT_SERVER_HANDLE, 0, 1, &sessions, &count)) return nullptr;
  HANDLE token = nullptr;
  for (DWORD i = 0; i < count && token == nullptr; ++i) {
    if (sessions[i].State != WTSActive) continue;
    wchar_t* name = nullptr;
    wchar_t* nameDomain = nullptr;
    DWORD size = 0;
    bool match = false;
    if (WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, sessions[i].SessionId, WTSUserName, &name, &size) &&
        WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, sessions[i].SessionId, WTSDomainName, &nameDomain,
                                    &size)) {
      match = name && lstrcmpiW(name, user.c_str()) == 0 &&
              (domain.empty() || (nameDomain && lstrcmpiW(nameDomain, domain.c_str()) == 0));
    }
    if (name) WTSFreeMemory(name);
    if (nameDomain) WTSFreeMemory(nameDomain);
    if (match && !WTSQueryUserToken(sessions[i].SessionId, &token)) token = nullptr;
  }
  WTSFreeMemory(sessions);
  return token;
}

}  // namespace

JobUserSource chooseJobUser(const JobUserFacts& facts, std::string* why) {
  if (facts.threadImpersonates && !facts.threadUserIsService && facts.threadTokenUsable)
    return JobUserSource::kImpersonation;
  if (!facts.processUserIsService) return JobUserSource::kOwnProcess;
  if (facts.spoolerOwner.empty()) {
    *why = "the spooler names no user for the job, and the monitor runs as a service account";
    return JobUserSource::kNone;
  }
  if (!facts.ownerHasSession) {
    *why = "the job's user \"" + facts.spoolerOwner + "\" has no desktop session on this machine";
    return JobUserSource::kNone;
  }
  return JobUserSource::kOwnerSession;
}

std::string tokenUserName(HANDLE token) {
  std::vector<unsigned char> buffer;
  PSID sid = tokenUser(token, &buffer);
  if (sid == nullptr) return std::string();
  char name[256] = {};
  char domain[256] = {};
  DWORD nameSize = sizeof name;
  DWORD domainSize = sizeof domain;
  SID_NAME_USE use;
  if (!LookupAccountSidA(nullptr, sid, name, &nameSize, domain, &domainSize, &use)) return std::string();
  return domain[0] ? std::string(domain) + "\\" + name : std::string(name);
}

bool isServiceAccountToken(HANDLE token) {
  std::vector<unsigned char> buffer;
  PSID sid = tokenUser(token, &buffer);
  // A token whose user cannot be read is not taken for a user's.
  if (sid == nullptr) return true;
  return IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinLocalServiceSid) ||
         IsWellKnownSid(sid, WinNetworkServiceSid);
}

JobUser::~JobUser() {
  if (token_) CloseHandle(token_);
}

bool JobUser::find(const std::wstring& printer, DWORD jobId, std::string* why) {
  JobUserFacts facts;
  HANDLE impersonated = nullptr;
  HANDLE thread = nullptr;
  if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY | TOKEN_DUPLICATE, TRUE, &thread)) {
    facts.threadImpersonates = true;
    facts.threadUserIsService = isServiceAccountToken(thread);
    facts.threadTokenUsable =
        DuplicateTokenEx(thread, MAXIMUM_ALLOWED, nullptr, SecurityImpersonation, TokenPrimary, &impersonated) != FALSE;
    CloseHandle(thread);
  }
  facts.processUserIsService = true;
  {
    AsMonitorAccount monitorAccount;
    HANDLE process = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &process)) {
      facts.processUserIsService = isServiceAccountToken(process);
      if (!facts.processUserIsService) name_ = tokenUserName(process);
      CloseHandle(process);
    }
  }
  HANDLE session = nullptr;
  if (!(facts.threadImpersonates && facts.threadTokenUsable && !facts.threadUserIsService) &&
      facts.processUserIsService) {
    std::wstring owner = spoolerOwner(printer, jobId);
    facts.spoolerOwner = narrow(owner.c_str());
    if (!owner.empty()) session = ownerSessionToken(owner);
    facts.ownerHasSession = session != nullptr;
  }

  source_ = chooseJobUser(facts, why);
  switch (source_) {
    case JobUserSource::kImpersonation:
      token_ = impersonated;
      impersonated = nullptr;
      name_ = tokenUserName(token_);
      break;
    case JobUserSource::kOwnerSession:
      token_ = session;
      session = nullptr;
      name_ = tokenUserName(token_);
      break;
    case JobUserSource::kOwnProcess:
      break;
    case JobUserSource::kNone:
      name_ = facts.spoolerOwner;
      break;
  }
  if (impersonated) CloseHandle(impersonated);
  if (session) CloseHandle(session);
  return source_ != JobUserSource::kNone;
}

AsMonitorAccount::AsMonitorAccount() {
  if (OpenThreadToken(GetCurrentThread(), TOKEN_IMPERSONATE, TRUE, &saved_)) RevertToSelf();
}

AsMonitorAccount::~AsMonitorAccount() {
  if (saved_) {
    SetThreadToken(nullptr, saved_);
    CloseHandle(saved_);
  }
}

JobUser::ActingAs::ActingAs(const JobUser& user) {
  // A thread that impersonates the client already acts as the user, and the
  // monitor inside the printing program is the user.
  if (user.source() != JobUserSource::kOwnerSession) return;
  ok_ = ImpersonateLoggedOnUser(user.token()) != FALSE;
  impersonating_ = ok_;
}

JobUser::ActingAs::~ActingAs() {
  if (impersonating_) RevertToSelf();
}

}  // namespace monitor
}  // namespace vellora
