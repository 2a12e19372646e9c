// An ordinary account of the system made for one test (root only): a fresh
// name, a group of its own, its home folder where the test says, removed
// again (account and group) when the object goes.
//
//   testsupport::SystemUser user(machine.path("users"));
//   ASSERT_TRUE(user.created()) << user.error();
//   auto result = user.run({"lp", "-d", "Vellora", file});
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

#include "testsupport/fresh_machine.h"

namespace testsupport {

class SystemUser {
 public:
  enum class Home { kMade, kMissing };
  // homeParent: the folder that gets the home folder (named after the user);
  // kMissing leaves it unmade, as for an account whose home is on another
  // machine.
  explicit SystemUser(const std::string& homeParent, Home home = Home::kMade);
  ~SystemUser();
  SystemUser(const SystemUser&) = delete;
  SystemUser& operator=(const SystemUser&) = delete;

  // Only root makes accounts.
  static bool canMakeAccounts();

  bool created() const { return uid_ != 0; }
  const std::string& error() const { return error_; }
  const std::string& name() const { return name_; }
  uid_t uid() const { return uid_; }
  gid_t gid() const { return gid_; }
  const std::string& home() const { return home_; }
  // Gives the account a password (through chpasswd), so that it can log in,
  // and authenticate to a print server, with it. False when it could not.
  bool setPassword(const std::string& password) const;

  // Runs a program as this user (its uid, gid and groups) in its home
  // folder, with an environment of HOME, USER, LOGNAME, PATH, the test's
  // CUPS_SERVER and VELLORA_ROOT, and the extra NAME=value entries given.
  RunResult run(const std::vector<std::string>& arguments,
                const std::vector<std::string>& extraEnvironment = {},
                int timeoutMilliseconds = 60000) const;

 private:
  std::string name_, home_, error_;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
};

// Every file and folder below path that is not owned by uid (symbolic links
// included), as paths; empty when all are.
std::vector<std::string> entriesNotOwnedBy(const std::string& path, uid_t uid);

}  // namespace testsupport
