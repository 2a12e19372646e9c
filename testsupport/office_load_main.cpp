// office-load: the office under load in its long form, with its figures
// (scripts/load-test runs it). Three set-ups of the same office, one after
// the other in one run: the printer "Vellora" as one queue, as a class of
// two member queues on one server, and as a class of one member of its
// own and one passing jobs on to a second server. In each, every user
// prints the office's mix of jobs at once over IPP with TLS and the
// account's password; every job must end as its user's documents say.
//
//   office-load [USERS [JOBS_PER_USER]]        (default 20 and 10; root only)
//
// Prints jobs per minute side by side, their ratios to the one queue, and
// the longest time a job waited from being printed to its end. Exit code 0
// when everything held, 1 when anything did not (each fault is printed).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "testsupport/office_load.h"

using testsupport::LoadFigures;
using testsupport::Office;
using testsupport::PrintServer;

namespace {

constexpr int kTimeoutSeconds = 1800;

bool step(const PrintServer& server, const std::string& command) {
  testsupport::RunResult result = server.vlsetup(command);
  if (result.exitCode == 0) return true;
  std::fprintf(stderr, "office-load: vlsetup %s failed (%d): %s\n", command.c_str(), result.exitCode,
               result.output.c_str());
  return false;
}

int run(const std::string& base, int users, int jobs) {
  const testsupport::OfficePrograms programs = {VLCONV_PATH, VLUTIL_PATH, VLREG_PATH, VLGSREG_PATH, VLSETUP_PATH,
                                                INSTALLATION_FILES};
  std::string why;
  Office office(base + "/office", users);
  if (!office.ready(&why)) {
    std::fprintf(stderr, "office-load: %s\n", why.c_str());
    return 1;
  }
  PrintServer first(base + "/first", programs), second(base + "/second", programs);
  if (!testsupport::startPrintServers({&first, &second}, &why)) {
    std::fprintf(stderr, "office-load: %s\n", why.c_str());
    return 1;
  }
  std::vector<std::string> names = {"1 queue", "class of 2", "2 servers"};
  std::vector<LoadFigures> figures;
  std::fprintf(stderr, "office-load: %d users, %d jobs each, %s ...\n", users, jobs, names[0].c_str());
  figures.push_back(office.printAtOnce(first, jobs, kTimeoutSeconds));
  if (!step(first, "class:2")) return 1;
  std::fprintf(stderr, "office-load: %s ...\n", names[1].c_str());
  figures.push_back(office.printAtOnce(first, jobs, kTimeoutSeconds));
  if (!step(first, "class:1") || !step(first, "remote:" + second.cups().ippsUri("Vellora")) ||
      !step(second, "share") || !step(first, "share"))
    return 1;
  std::fprintf(stderr, "office-load: %s ...\n", names[2].c_str());
  const std::size_t before = second.cups().jobStates().size();
  figures.push_back(office.printAtOnce(first, jobs, kTimeoutSeconds));
  const std::size_t onSecond = second.cups().jobStates().size() - before;
  std::vector<std::string> faults = office.refusals(first);
  for (const LoadFigures& load : figures) faults.insert(faults.end(), load.faults.begin(), load.faults.end());

  const long cores = sysconf(_SC_NPROCESSORS_ONLN);
  std::printf("Office load: %d users printing %d jobs each at once (%d jobs a set-up) over IPP with TLS and\n"
              "their passwords, on %ld processors; the servers on 127.0.0.1.\n\n",
              users, jobs, users * jobs, cores);
  std::printf("%-28s", "");
  for (const std::string& name : names) std::printf("%14s", name.c_str());
  std::printf("\n%-28s", "jobs per minute");
  for (const LoadFigures& load : figures) std::printf("%14.1f", load.jobsPerMinute);
  std::printf("\n%-28s", "ratio to 1 queue");
  for (const LoadFigures& load : figures)
    std::printf("%14.2f", figures[0].jobsPerMinute > 0 ? load.jobsPerMinute / figures[0].jobsPerMinute : 0.0);
  std::printf("\n%-28s", "all jobs ended after (s)");
  for (const LoadFigures& load : figures) std::printf("%14.1f", load.seconds);
  std::printf("\n%-28s", "all jobs taken after (s)");
  for (const LoadFigures& load : figures) std::printf("%14.1f", load.printing);
  std::printf("\n%-28s", "longest wait of a job (s)");
  for (const LoadFigures& load : figures) std::printf("%14.1f", load.longestWait);
  std::printf("\n%-28s%14s%14s%14zu\n", "jobs done by the second", "-", "-", onSecond);
  if (faults.empty()) {
    std::printf("\nEvery job ended as a whole PDF of its user's, in that user's home; the refused were refused.\n");
    return 0;
  }
  std::printf("\n%zu faults:\n", faults.size());
  for (const std::string& fault : faults) std::printf("  %s\n", fault.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const int users = argc > 1 ? std::atoi(argv[1]) : 20;
  const int jobs = argc > 2 ? std::atoi(argv[2]) : Office::kMixJobs;
  if (users < 2 || users > 200 || jobs < 1 || jobs > Office::kMixJobs || argc > 3) {
    std::fprintf(stderr, "usage: office-load [USERS (2-200) [JOBS_PER_USER (1-%d)]]\n", Office::kMixJobs);
    return 2;
  }
  const std::string unavailable = testsupport::privateCupsUnavailableReason();
  if (!unavailable.empty()) {
    std::fprintf(stderr, "office-load: %s\n", unavailable.c_str());
    return 2;
  }
  char folder[] = "/tmp/vloffice.XXXXXX";
  if (!mkdtemp(folder) || chmod(folder, 0755) != 0) {
    std::fprintf(stderr, "office-load: cannot make a folder in /tmp\n");
    return 2;
  }
  const int code = run(folder, users, jobs);
  // The servers and the accounts are gone by now; their files go too.
  testsupport::run({"rm", "-rf", folder});
  return code;
}
