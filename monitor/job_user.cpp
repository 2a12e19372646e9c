#include "monitor/job_user.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace vellora {
namespace monitor {

bool findJobUser(const std::string& name, JobUser* user, std::string* why) {
  if (name.empty()) {
    *why = "the job names no user";
    return false;
  }
  std::vector<char> buffer(16384);
  struct passwd entry;
  struct passwd* found = nullptr;
  int rc = getpwnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found);
  if (rc != 0 || !found) {
    *why = "there is no user of that name on this system";
    return false;
  }
  if (found->pw_uid == 0) {
    *why = "jobs of root are not converted; print as an ordinary user";
    return false;
  }
  user->name = found->pw_name;
  user->uid = found->pw_uid;
  user->gid = found->pw_gid;
  user->home = found->pw_dir ? found->pw_dir : "";
  user->shell = found->pw_shell ? found->pw_shell : "";
  return true;
}

bool hasOwnHome(const JobUser& user, std::string* why) {
  struct stat info;
  if (user.home.empty() || user.home[0] != '/' || ::stat(user.home.c_str(), &info) != 0) {
    *why = user.name + " has no home folder on this server" + (user.home.empty() ? std::string() : " (" + user.home + ")");
    return false;
  }
  if (!S_ISDIR(info.st_mode) || info.st_uid != user.uid) {
    *why = "the home folder of " + user.name + " on this server (" + user.home + ") is not a folder of the user's own";
    return false;
  }
  return true;
}

bool becomeJobUser(const JobUser& user, std::string* why) {
  if (user.uid == 0) {
    *why = "refusing to act as root";
    return false;
  }
  if (geteuid() != 0) {
    // Without root the monitor cannot act for anyone but itself.
    if (getuid() == user.uid && geteuid() == user.uid) return true;
    *why = "the monitor does not run as root (its backend file must be owned by root with mode 0700)";
    return false;
  }
  if (initgroups(user.name.c_str(), user.gid) != 0) {
    *why = std::string("cannot take the user's groups: ") + std::strerror(errno);
    return false;
  }
  if (setgid(user.gid) != 0 || setuid(user.uid) != 0) {
    *why = std::string("cannot become the user: ") + std::strerror(errno);
    return false;
  }
  if (getuid() != user.uid || geteuid() != user.uid || getgid() != user.gid ||
      getegid() != user.gid || setuid(0) == 0) {
    *why = "the user's identity did not hold";
    return false;
  }
  return true;
}

}  // namespace monitor
}  // namespace vellora
