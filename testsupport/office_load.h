// A print office on this machine, for the load tests: print servers (each a
// machine root with Vellora set up from the build, and a CUPS server of its
// own on 127.0.0.1 with TLS), accounts with passwords and homes that every
// server shares (as an office shares them between its servers), and loads:
// every user prints a mix of jobs at once over IPP with the password, then
// every job's end is checked in every home. Root only (see private_cups.h).
//
//   testsupport::PrintServer first(base + "/first", programs);
//   ASSERT_TRUE(first.start(&why)) << why;
//   testsupport::Office office(base + "/users", 3);
//   ASSERT_TRUE(office.ready(&why)) << why;
//   testsupport::LoadFigures figures = office.printAtOnce(first, 5, 120);
//   EXPECT_TRUE(figures.faults.empty()) << figures.faults.front();
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "testsupport/fresh_machine.h"
#include "testsupport/private_cups.h"
#include "testsupport/system_user.h"

namespace testsupport {

// The build's programs a server is set up with.
struct OfficePrograms {
  std::string vlconv, vlutil, vlreg, vlgsreg, vlsetup;
  std::string installationFiles;  // the folder a full install takes
};

// One print server: the product installed on a CUPS server of its own.
class PrintServer {
 public:
  PrintServer(const std::string& folder, const OfficePrograms& programs);
  PrintServer(const PrintServer&) = delete;
  PrintServer& operator=(const PrintServer&) = delete;

  // Sets the machine up (programs, "AppPath", the host's Ghostscript, an
  // options file naming jobs by their titles into the documents folder),
  // starts the server and runs the full install. False with *why when a
  // step failed.
  bool start(std::string* why) { return prepare(why) && install(why); }
  // The same in two steps: the installs of several servers, which wait on
  // their spoolers for seconds, may run at once on threads of their own
  // (the servers are started one after the other, as they change the
  // process's environment).
  bool prepare(std::string* why);
  bool install(std::string* why);
  // Runs vlsetup with one command against this server and machine.
  RunResult vlsetup(const std::string& command) const;
  PrivateCups& cups() { return *cups_; }
  const std::string& root() const { return root_; }

 private:
  std::string folder_, root_;
  OfficePrograms programs_;
  std::unique_ptr<PrivateCups> cups_;
};

// Starts the servers: each prepared in turn, then all installed at once.
bool startPrintServers(const std::vector<PrintServer*>& servers, std::string* why);

struct LoadFigures {
  int jobs = 0;                // jobs printed (each one accepted)
  double seconds = 0;          // from the first job printed to the last one ended
  double jobsPerMinute = 0;
  double longestWait = 0;      // seconds from a job printed to its end
  double printing = 0;         // seconds from the first job printed to the last one taken
  std::vector<std::string> faults;  // what did not hold; empty when all did
};

// The office's people and their documents.
class Office {
 public:
  // count accounts, their homes below folder.
  Office(const std::string& folder, int count);
  // Whether the accounts and documents are made; *why when not.
  bool ready(std::string* why) const;
  int users() const { return static_cast<int>(users_.size()); }

  // Every user prints the first jobsPerUser jobs of the office's mix (at
  // most 10: PostScript and PDF, four of one title, three joining one file)
  // at once to the printer "Vellora" of the server, over IPP with TLS and
  // the account's password. Then every job must have completed within
  // timeoutSeconds, and every home hold exactly its user's documents: the
  // right names and page counts, whole, owned by the user, with no other
  // user's pages and no working file left, and a settings store that reads. The documents go afterwards, for
  // the next load.
  LoadFigures printAtOnce(PrintServer& server, int jobsPerUser, int timeoutSeconds);

  // A claim to be another user with one's own password, and (unless quick)
  // a wrong password, are refused: what was not. (Each costs the server a
  // few seconds of its authentication's delay, in which it serves nobody.)
  std::vector<std::string> refusals(PrintServer& server, bool quick = false);

  // The number of jobs in the mix.
  static constexpr int kMixJobs = 10;

 private:
  std::string folder_;
  std::vector<std::unique_ptr<SystemUser>> users_;
  std::string why_;
};

}  // namespace testsupport
