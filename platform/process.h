// Child processes started from one command-line string, the way the Windows
// API starts them, with standard output and error optionally sent to a pipe.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Splits a command line by the Windows rules (CommandLineToArgv): blanks and
// tabs separate arguments, double quotes group, 2n backslashes before a quote
// give n backslashes and the quote toggles grouping, 2n+1 give n backslashes
// and a literal quote, "" inside a group gives a literal quote, other
// backslashes are literal. The first argument (the program) takes backslashes
// literally and ends at the next blank outside quotes.
std::vector<std::string> splitCommandLine(const std::string& commandLine);
// The full path of a program as a command line's first word finds it (on
// PATH; on Windows also with ".exe"); empty when there is none.
std::string findProgramPath(const std::string& name);
// Quotes one argument so that splitCommandLine gives it back unchanged.
std::string quoteArgument(const std::string& argument);
// The same, in double quotes whether needed or not ("a b" and "ab" alike).
std::string quoteArgumentAlways(const std::string& argument);
// The text after the program's name in a whole command line, the blanks
// before it dropped: what a Windows program gets as its own command line.
std::string commandLineTail(const std::string& commandLine);
// This program's own command line without the program's name, as
// commandLineTail gives it. Windows hands it over as typed; on POSIX it is
// rebuilt from the arguments, each quoted as needed, so that splitting it
// gives them back unchanged.
std::string programCommandLine(int argc, char** argv);

struct StartOptions {
  // false: the child holds none of the caller's handles, its standard
  // streams included (on POSIX they are the null device, in a session of
  // its own): for programs handed to the user, which may outlive the caller
  // and must not keep its pipes open. (Ignored with captureOutput.)
  bool inheritHandles = true;
  bool hideWindow = true;
  // Standard output and error go to an anonymous pipe the caller reads;
  // standard input is closed.
  bool captureOutput = false;
  // Standard input is an anonymous pipe the caller writes (writeInput) and
  // closes (closeInput); the child reads its end once the caller closes it
  // or ends.
  bool feedInput = false;
  // Empty: the caller's current directory.
  std::string currentDirectory;
  // The child works for the caller and must not outlive it: it (with
  // whatever it starts) is stopped by kill() and stopOwnedChildren(), and
  // when the caller ends in any way, even killed outright. Viewers and
  // commands handed a finished file are not started so.
  bool endWithCaller = false;
};

enum WaitResult { kWaitDone, kWaitTimeout, kWaitFailed };
constexpr int kWaitForever = -1;

class ChildProcess {
 public:
  ChildProcess();
  ~ChildProcess();  // closes the handles; never kills the child
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Never goes through a shell. False (and lastError()) when the program
  // cannot be started.
  bool start(const std::string& commandLine, const StartOptions& options);
  // Reads at most size bytes of the child's output; 0 at the end of the
  // output or on failure. Blocks until something arrives.
  int readOutput(char* buffer, int size);
  // The same, but gives up after timeoutMilliseconds without any output and
  // returns kReadTimedOut then (the output is still open).
  int readOutputWithin(char* buffer, int size, int timeoutMilliseconds);
  static constexpr int kReadTimedOut = -1;
  // Writes to the standard input of a child started with feedInput. False
  // when it cannot, a child that has already ended included (never a
  // signal that would end the caller).
  bool writeInput(const std::string& data);
  void closeInput();
  WaitResult wait(int timeoutMilliseconds);
  // Valid after wait() returned kWaitDone. A child ended by a signal reports
  // 128 + the signal number.
  int exitCode() const;
  // Ends the child at once (tests and time-outs that must not leave it
  // running); a child started with endWithCaller ends with everything it
  // started.
  void kill();
  // The system's number for the child (tests).
  long id() const;
  bool running() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Stops, at once, every running child started with endWithCaller and what
// each of them started. Safe to call from any thread.
void stopOwnedChildren();

// Environment of this process, inherited by its children.
bool getEnvironment(const std::string& name, std::string* value);
// Name lookup without regard to letter case, as Windows matches names.
bool getEnvironmentIgnoreCase(const std::string& name, std::string* value);
bool setEnvironment(const std::string& name, const std::string& value);
bool unsetEnvironment(const std::string& name);

void sleepMilliseconds(int milliseconds);

}  // namespace platform
