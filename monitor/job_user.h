// The user a job was printed by, and becoming that user. The monitor runs
// as root under CUPS; everything it does with files and programs it does as
// the user who printed, never as root.
#pragma once

#include <sys/types.h>

#include <string>

namespace vellora {
namespace monitor {

struct JobUser {
  std::string name;
  uid_t uid = 0;
  gid_t gid = 0;
  std::string home;
  std::string shell;
};

// Looks the account up. False with *why when the job must be refused: no
// such user on this system, or the user is root (uid 0).
bool findJobUser(const std::string& name, JobUser* user, std::string* why);

// Whether the user has a home on this machine to take the job: a folder
// of the user's own (looked at as the user, who must be able to reach it).
// False with *why when the job must be refused; nothing is made.
bool hasOwnHome(const JobUser& user, std::string* why);

// Becomes the user for good: its groups, its group, its user id, and makes
// sure root cannot be regained. False with *why when any step fails (the
// process must then do nothing more for the job).
bool becomeJobUser(const JobUser& user, std::string* why);

}  // namespace monitor
}  // namespace vellora
