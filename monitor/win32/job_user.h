// The user a printed job belongs to, and the token the converter is started
// with. The converter shows that user's dialogs and reads that user's
// settings, so it runs as that user and on that user's desktop; never as
// the account the spooler runs under.
//
// Where the monitor runs decides how the user is found:
//  - Windows' spooler (the local system account) calls the port while it
//    impersonates the job's client: the thread's token is the user's. Failing
//    that, the job's owner as the spooler records it (GetJob) is looked up
//    among the desktop sessions of the machine.
//  - Wine's spooler runs inside the printing program: the process's own
//    account is the user, and the spooler names no printer and no job.
// A job whose user cannot be found this way is refused.
#pragma once

#include <windows.h>

#include <string>

namespace vellora {
namespace monitor {

// What was found about the job's user, in the order it is looked at; the
// Win32 lookups below fill it, chooseJobUser decides.
struct JobUserFacts {
  bool threadImpersonates = false;   // the calling thread holds a client's token
  bool threadUserIsService = false;  // ... of a service account
  bool threadTokenUsable = false;    // ... that can become a primary token
  bool processUserIsService = false;  // the monitor's own account is a service account
  std::string spoolerOwner;          // the job's owner as the spooler records it; empty: none
  bool ownerHasSession = false;      // spoolerOwner has a desktop session here
};

enum class JobUserSource {
  kNone,           // refused: nobody to run the converter as
  kImpersonation,  // the token the spooler impersonates the client with
  kOwnProcess,     // the monitor already runs as the user (inside the printing program)
  kOwnerSession,   // the desktop session of the job's recorded owner
};

// Which source to take; with kNone, *why says what was missing.
JobUserSource chooseJobUser(const JobUserFacts& facts, std::string* why);

// The job's user, ready to start the converter with.
class JobUser {
 public:
  JobUser() = default;
  ~JobUser();
  JobUser(const JobUser&) = delete;
  JobUser& operator=(const JobUser&) = delete;

  JobUserSource source() const { return source_; }
  // A primary token of the user; null when the monitor runs as the user
  // itself (kOwnProcess).
  HANDLE token() const { return token_; }
  // "DOMAIN\\user", for the log.
  const std::string& name() const { return name_; }

  // Finds the user of the job that printer (may be empty) holds as jobId (0:
  // unknown). False with *why when there is none to run the converter as.
  bool find(const std::wstring& printer, DWORD jobId, std::string* why);

  // While this object lives, the calling thread acts as the user for files
  // it makes (their owner and the folders it may reach), then returns to
  // what it was.
  class ActingAs {
   public:
    explicit ActingAs(const JobUser& user);
    ~ActingAs();
    ActingAs(const ActingAs&) = delete;
    ActingAs& operator=(const ActingAs&) = delete;
    bool ok() const { return ok_; }

   private:
    bool impersonating_ = false;
    bool ok_ = true;
  };

 private:
  JobUserSource source_ = JobUserSource::kNone;
  HANDLE token_ = nullptr;
  std::string name_;
};

// While this object lives the calling thread is the monitor's own account
// again: the spooler impersonates the job's client while it calls the port,
// and what only the monitor's account may do (open its process's token,
// start a process as another user) is done between. The impersonation
// comes back afterwards.
class AsMonitorAccount {
 public:
  AsMonitorAccount();
  ~AsMonitorAccount();
  AsMonitorAccount(const AsMonitorAccount&) = delete;
  AsMonitorAccount& operator=(const AsMonitorAccount&) = delete;

 private:
  HANDLE saved_ = nullptr;
};

// "DOMAIN\\user" of a token; empty when it cannot be read.
std::string tokenUserName(HANDLE token);
// Whether a token belongs to the local system, local service or network
// service account.
bool isServiceAccountToken(HANDLE token);

}  // namespace monitor
}  // namespace vellora
