#include "testsupport/office_load.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

#include "common/monitor_contract.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/system.h"
#include "testsupport/ipp_client.h"

namespace testsupport {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPollMs = 100;

// The office's mix of jobs, in the order each user prints them.
struct MixJob {
  const char* title;
  bool pdf;
  int pages;
  bool joins;  // printed with the answer "append"
};
const MixJob kMix[Office::kMixJobs] = {
    {"Quarterly Report", false, 2, false}, {"Ledger", false, 1, true},          {"Memo A", true, 1, false},
    {"Quarterly Report", false, 2, false}, {"Ledger", true, 2, true},           {"Memo B", true, 1, false},
    {"Quarterly Report", true, 2, false},  {"Ledger", false, 1, true},          {"Quarterly Report", false, 2, false},
    {"Memo C", true, 1, false}};

std::string passwordOf(const SystemUser& user) { return "Pw-" + user.name() + "-7"; }

// PostScript whose pages read "<owner> <title> <n>": the owner's name on
// every page tells whose document a page is.
std::string postScript(const std::string& owner, const std::string& title, int pages) {
  std::string ps = "%!PS-Adobe-3.0\n%%Title: " + title + "\n%%Pages: " + std::to_string(pages) + "\n%%EndComments\n";
  for (int page = 1; page <= pages; ++page)
    ps += "%%Page: " + std::to_string(page) + " " + std::to_string(page) +
          "\n/Helvetica findfont 18 scalefont setfont 72 700 moveto (" + owner + " " + title + " " +
          std::to_string(page) + ") show showpage\n";
  return ps + "%%EOF\n";
}

std::string pdfField(const std::string& pdf, const std::string& field) {
  RunResult info = run({"pdfinfo", pdf});
  if (info.exitCode != 0) return std::string();
  std::string::size_type at = info.output.find(field + ":");
  if (at == std::string::npos) return std::string();
  std::string::size_type start = info.output.find_first_not_of(' ', at + field.size() + 1);
  return info.output.substr(start, info.output.find('\n', start) - start);
}

std::string stateName(JobState state) {
  switch (state) {
    case kJobCompleted: return "completed";
    case kJobCanceled: return "canceled";
    case kJobAborted: return "aborted";
    case kJobHeld: return "held";
    case kJobPending: return "pending";
    case kJobProcessing: return "processing";
    default: return "state " + std::to_string(static_cast<int>(state));
  }
}

double secondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

struct Printed {
  int user = 0, mix = 0, jobId = 0;
  std::string status;
  Clock::time_point submitted, ended;
  JobState state = kJobUnknown;
};

}  // namespace

PrintServer::PrintServer(const std::string& folder, const OfficePrograms& programs)
    : folder_(folder), root_(folder + "/root"), programs_(programs) {}

bool PrintServer::prepare(std::string* why) {
  const std::string product = root_ + "/Programs/Vellora";
  if (!platform::createDirectories(product) || !platform::createDirectories(root_ + "/Windows/System32")) {
    *why = "cannot make " + product;
    return false;
  }
  // Every user's converter reads the machine.
  ::chmod(folder_.c_str(), 0755);
  ::chmod(root_.c_str(), 0755);
  for (const std::string& program :
       {programs_.vlconv, programs_.vlutil, programs_.vlreg, programs_.vlgsreg, programs_.vlsetup}) {
    const std::string target = product + "/" + program.substr(program.rfind('/') + 1);
    if (!platform::copyFile(program, target, false) || ::chmod(target.c_str(), 0755) != 0) {
      *why = "cannot copy " + program;
      return false;
    }
  }
  const std::string machine = "VELLORA_ROOT=" + root_;
  RunResult set = run({"env", machine, product + "/vlreg", "set", "HKLM\\SOFTWARE\\Norvale\\Vellora", "AppPath",
                       "sz", product});
  RunResult registered = run({"env", machine, product + "/vlgsreg"});
  if (set.exitCode != 0 || registered.exitCode != 0) {
    *why = "cannot set the machine up: " + set.output + registered.output;
    return false;
  }
  writeFile(product + "/Vellora.opt",
            "[CommandOptions]\nDefaultPath=%HOME%/Documents/\nSuppressDialog=true\nAutoNameTitle=true\n");
  cups_.reset(new PrivateCups(folder_ + "/cups"));
  cups_->setBackendEnvironment("VELLORA_ROOT", root_);
  cups_->listenOnLoopback();
  cups_->setLogLevel("info");
  if (!cups_->start()) {
    *why = cups_->startError();
    return false;
  }
  // Passing jobs on to another server takes CUPS's own IPP backend.
  if (!cups_->addSystemBackend("ipp") || !cups_->addSystemBackend("ipps")) {
    *why = "the system has no ipp backend";
    return false;
  }
  return true;
}

bool PrintServer::install(std::string* why) {
  RunResult installed = vlsetup(programs_.installationFiles);
  if (installed.exitCode != 0) {
    *why = "the install failed: " + installed.output + readFile(root_ + "/Windows/vlinst.log");
    return false;
  }
  return true;
}

bool startPrintServers(const std::vector<PrintServer*>& servers, std::string* why) {
  for (PrintServer* server : servers)
    if (!server->prepare(why)) return false;
  std::vector<std::string> whys(servers.size());
  std::vector<char> installed(servers.size(), 0);
  std::vector<std::thread> installs;
  for (std::size_t i = 0; i < servers.size(); ++i)
    installs.emplace_back([&, i] { installed[i] = servers[i]->install(&whys[i]) ? 1 : 0; });
  for (std::thread& install : installs) install.join();
  for (std::size_t i = 0; i < servers.size(); ++i)
    if (!installed[i]) {
      *why = whys[i];
      return false;
    }
  return true;
}

RunResult PrintServer::vlsetup(const std::string& command) const {
  return run({"env", "-i", "PATH=/usr/local/bin:/usr/bin:/bin", "HOME=" + folder_, "VELLORA_ROOT=" + root_,
              "CUPS_SERVER=" + cups_->socketPath(), "CUPS_SERVERBIN=" + cups_->serverBin(),
              root_ + "/Programs/Vellora/vlsetup", command},
             600000);
}

Office::Office(const std::string& folder, int count) : folder_(folder) {
  platform::createDirectories(folder_);
  ::chmod(folder_.c_str(), 0755);
  for (int i = 0; i < count && why_.empty(); ++i) {
    users_.emplace_back(new SystemUser(folder_ + "/homes"));
    if (!users_.back()->created())
      why_ = users_.back()->error();
    else if (!users_.back()->setPassword(passwordOf(*users_.back())))
      why_ = "cannot give " + users_.back()->name() + " a password";
  }
  ::chmod((folder_ + "/homes").c_str(), 0755);
  platform::createDirectories(folder_ + "/documents");
}

bool Office::ready(std::string* why) const {
  *why = why_;
  return why_.empty();
}

LoadFigures Office::printAtOnce(PrintServer& server, int jobsPerUser, int timeoutSeconds) {
  LoadFigures figures;
  jobsPerUser = std::max(1, std::min(jobsPerUser, kMixJobs));
  // The documents: each user's own, made before anything is timed.
  auto document = [&](int user, int mix) {
    return folder_ + "/documents/" + users_[user]->name() + "-" + std::to_string(mix) + (kMix[mix].pdf ? ".pdf" : ".ps");
  };
  for (int user = 0; user < users(); ++user)
    for (int mix = 0; mix < jobsPerUser; ++mix) {
      const std::string path = document(user, mix);
      if (platform::fileExists(path)) continue;
      const std::string ps = postScript(users_[user]->name(), kMix[mix].title, kMix[mix].pages);
      if (!kMix[mix].pdf) {
        writeFile(path, ps);
        continue;
      }
      writeFile(path + ".ps", ps);
      RunResult made = run({"gs", "-q", "-dBATCH", "-dNOPAUSE", "-dSAFER", "-sDEVICE=pdfwrite",
                            "-sOutputFile=" + path, path + ".ps"});
      platform::deleteFile(path + ".ps");
      if (made.exitCode != 0) figures.faults.push_back("cannot make " + path + ": " + made.output);
    }
  if (!figures.faults.empty()) return figures;

  // Everyone at once, each user on a connection of their own per job.
  std::vector<Printed> printed(static_cast<std::size_t>(users() * jobsPerUser));
  std::vector<std::thread> desks;
  const int port = server.cups().port();
  for (int user = 0; user < users(); ++user)
    desks.emplace_back([&, user] {
      for (int mix = 0; mix < jobsPerUser; ++mix) {
        Printed& job = printed[static_cast<std::size_t>(user * jobsPerUser + mix)];
        job.user = user;
        job.mix = mix;
        std::vector<std::pair<std::string, std::string>> options;
        if (kMix[mix].joins) options.push_back({vellora::kExistingFileOption, vellora::kExistingFileAppend});
        job.submitted = Clock::now();
        IppPrint sent = printOverIpp({port, "Vellora"}, users_[user]->name(), passwordOf(*users_[user]),
                                     document(user, mix), kMix[mix].title, options);
        job.jobId = sent.jobId;
        job.status = sent.status;
      }
    });
  for (std::thread& desk : desks) desk.join();
  const Clock::time_point allTaken = Clock::now();
  std::size_t open = 0;
  for (Printed& job : printed) {
    if (job.jobId > 0) {
      ++open;
      ++figures.jobs;
    } else {
      figures.faults.push_back(users_[job.user]->name() + " could not print \"" + kMix[job.mix].title +
                               "\": " + job.status);
    }
  }

  // Until every job has ended, looked at ten times a second.
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
  while (open > 0 && Clock::now() < deadline) {
    const std::map<int, JobState> states = server.cups().jobStates();
    const Clock::time_point now = Clock::now();
    for (Printed& job : printed) {
      if (job.jobId == 0 || job.state >= kJobCanceled) continue;
      auto found = states.find(job.jobId);
      if (found == states.end() || found->second < kJobCanceled) continue;
      job.state = found->second;
      job.ended = now;
      --open;
    }
    if (open > 0) platform::sleepMilliseconds(kPollMs);
  }
  Clock::time_point first = Clock::time_point::max(), last = Clock::time_point::min();
  for (const Printed& job : printed) {
    if (job.jobId == 0) continue;
    first = std::min(first, job.submitted);
    if (job.state < kJobCanceled) {
      figures.faults.push_back("job " + std::to_string(job.jobId) + " of " + users_[job.user]->name() +
                               " did not end within " + std::to_string(timeoutSeconds) + " s");
      continue;
    }
    last = std::max(last, job.ended);
    figures.longestWait = std::max(figures.longestWait, secondsBetween(job.submitted, job.ended));
    if (job.state != kJobCompleted)
      figures.faults.push_back("job " + std::to_string(job.jobId) + " of " + users_[job.user]->name() + " (\"" +
                               kMix[job.mix].title + "\") ended " + stateName(job.state) + ": " +
                               server.cups().jobMessage(job.jobId));
  }
  if (figures.jobs > 0) figures.printing = secondsBetween(first, allTaken);
  if (figures.jobs > 0 && last > first) {
    figures.seconds = secondsBetween(first, last);
    figures.jobsPerMinute = figures.jobs * 60.0 / figures.seconds;
  }

  // Every home: exactly its user's documents, whole, with their pages.
  std::map<std::string, int> expected;  // name -> pages
  std::map<std::string, int> sameTitle;
  for (int mix = 0; mix < jobsPerUser; ++mix) {
    const std::string title = kMix[mix].title;
    if (kMix[mix].joins) {
      expected[title + ".pdf"] += kMix[mix].pages;
    } else {
      const int count = sameTitle[title]++;
      expected[title + (count ? std::to_string(count) : std::string()) + ".pdf"] = kMix[mix].pages;
    }
  }
  for (int user = 0; user < users(); ++user) {
    const SystemUser& owner = *users_[user];
    const std::string documents = owner.home() + "/Documents";
    std::vector<std::string> names;
    platform::listDirectory(documents, "*", &names);
    std::sort(names.begin(), names.end());
    std::vector<std::string> wanted;
    for (const auto& entry : expected) wanted.push_back(entry.first);
    if (names != wanted) {
      std::string list;
      for (const std::string& name : names) list += " \"" + name + "\"";
      figures.faults.push_back("the documents of " + owner.name() + " are" + list);
    }
    for (const std::string& name : names) {
      const std::string pdf = documents + "/" + name;
      auto want = expected.find(name);
      const std::string pages = pdfField(pdf, "Pages");
      if (want != expected.end() && pages != std::to_string(want->second))
        figures.faults.push_back(pdf + " has " + (pages.empty() ? "no readable" : pages) + " pages, not " +
                                 std::to_string(want->second));
      const std::string text = run({"pdftotext", pdf, "-"}).output;
      for (int other = 0; other < users(); ++other)
        if (other != user && text.find(users_[other]->name() + " ") != std::string::npos)
          figures.faults.push_back(pdf + " holds pages of " + users_[other]->name());
    }
    if (!entriesNotOwnedBy(owner.home(), owner.uid()).empty())
      figures.faults.push_back("not everything in the home of " + owner.name() + " is the user's: " +
                               entriesNotOwnedBy(owner.home(), owner.uid()).front());
    // The user's settings store, written by every job on every member and
    // server, reads whole.
    RunResult store =
        owner.run({server.root() + "/Programs/Vellora/vlreg", "query", "HKCU\\SOFTWARE\\Norvale\\Vellora"});
    if (store.exitCode != 0 || store.output.find("AutoLaunch") == std::string::npos)
      figures.faults.push_back("the settings store of " + owner.name() + " does not read: " + store.output);
    std::vector<std::string> work;
    platform::listDirectory(owner.home() + "/.local/share/Vellora/Temp", "*", &work);
    for (const std::string& name : work)
      if (name != "vlconv.log") figures.faults.push_back("left in the working folder of " + owner.name() + ": " + name);
    for (const std::string& name : names) platform::deleteFile(documents + "/" + name);
  }
  return figures;
}

std::vector<std::string> Office::refusals(PrintServer& server, bool quick) {
  std::vector<std::string> faults;
  if (users() < 2) return {"an office of fewer than two users"};
  const std::string document = folder_ + "/documents/refused.ps";
  writeFile(document, postScript("nobody", "Refused", 1));
  const IppQueue queue{server.cups().port(), "Vellora"};
  const SystemUser& first = *users_[0];
  const SystemUser& second = *users_[1];
  struct Attempt {
    std::string what, user, password;
  };
  std::vector<Attempt> attempts = {{"another user's name and one's own password", second.name(), passwordOf(first)}};
  if (!quick) attempts.push_back({"a wrong password", first.name(), passwordOf(first) + "x"});
  // (A refused password costs seconds of the server's delay: all at once.)
  std::vector<IppPrint> answers(attempts.size());
  std::vector<std::thread> tries;
  for (std::size_t i = 0; i < attempts.size(); ++i)
    tries.emplace_back([&, i] {
      answers[i] = printOverIpp(queue, attempts[i].user, attempts[i].password, document, "Refused");
    });
  for (std::thread& attempt : tries) attempt.join();
  for (std::size_t i = 0; i < attempts.size(); ++i)
    if (answers[i].jobId != 0)
      faults.push_back("a job with " + attempts[i].what + " was taken: job " + std::to_string(answers[i].jobId));
  return faults;
}

}  // namespace testsupport
