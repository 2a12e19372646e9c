// A machine of its own for one test: fresh machine root, home folder and
// temporary folder, set in the environment (so that programs the test starts
// see them too) and undone when the object goes.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace testsupport {

class FreshMachine {
 public:
  FreshMachine();
  ~FreshMachine();
  FreshMachine(const FreshMachine&) = delete;
  FreshMachine& operator=(const FreshMachine&) = delete;

  // The folder holding everything of this machine.
  const std::string& base() const { return base_; }
  const std::string& root() const { return root_; }  // VELLORA_ROOT
  const std::string& home() const { return home_; }  // HOME
  const std::string& tmp() const { return tmp_; }    // TMPDIR
  // A path below base().
  std::string path(const std::string& relative) const;
  // Whether the system folder is this machine's own (on POSIX, below the
  // machine root); on Windows it is the one system folder every test shares.
  bool ownsSystemFolder() const;

  // Sets a variable for this machine's lifetime (restored afterwards).
  void setEnv(const std::string& name, const std::string& value);
  void unsetEnv(const std::string& name);

 private:
  void remember(const std::string& name);
  std::string base_, root_, home_, tmp_;
  std::string registryName_;
  std::vector<std::pair<std::string, std::pair<bool, std::string>>> saved_;
};

// Test fixture with a fresh machine per test.
class FreshMachineTest : public ::testing::Test {
 protected:
  FreshMachine machine;
};

// Reads a whole file; empty when it cannot be read.
std::string readFile(const std::string& path);
// Writes a whole file (binary), creating missing folders; fails the test when
// it cannot.
void writeFile(const std::string& path, const std::string& bytes);

// The bytes of a text file holding `text` ("\n" line ends) on this platform:
// for comparing files the programs write in text mode.
std::string textFile(const std::string& text);

struct RunResult {
  int exitCode = -1;
  std::string output;  // standard output and error together
};
// Runs a program (arguments quoted as needed) and collects its output. Under
// Wine a bare name such as "qpdf" that names a program of the host runs that
// program, with the Windows paths among the arguments given as host paths.
RunResult run(const std::vector<std::string>& arguments, int timeoutMilliseconds = 120000);

}  // namespace testsupport
