// Finding the process behind a listening socket: the kernel lists sockets
// with their inode in /proc/net, and every process's descriptors name the
// socket inode they hold in /proc/PID/fd.
#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/posix/listening_process.h"

namespace platform {
namespace posix {

namespace {

// Bounds for the scans: a machine with more processes or descriptors than
// this is not one we control daemons on.
constexpr int kMaxProcesses = 100000;
constexpr int kMaxDescriptorsPerProcess = 65536;
constexpr int kMaxSocketLines = 200000;

constexpr unsigned long kUnixListening = 0x00010000;  // __SO_ACCEPTCON
constexpr int kTcpListen = 0x0A;

std::string canonical(const std::string& path) {
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved)) return resolved;
  return path;
}

std::set<unsigned long> unixSocketInodes(const std::string& path) {
  std::set<unsigned long> inodes;
  std::ifstream table("/proc/net/unix");
  const std::string wanted = canonical(path);
  std::string line;
  std::getline(table, line);  // the header
  for (int count = 0; count < kMaxSocketLines && std::getline(table, line); ++count) {
    std::istringstream fields(line);
    std::string slot, refs, protocol, flags, type, state;
    unsigned long inode = 0;
    if (!(fields >> slot >> refs >> protocol >> flags >> type >> state >> inode)) continue;
    std::string bound;
    std::getline(fields, bound);
    std::size_t start = bound.find_first_not_of(' ');
    if (start == std::string::npos) continue;
    bound = bound.substr(start);
    if ((std::strtoul(flags.c_str(), nullptr, 16) & kUnixListening) == 0) continue;
    if (bound == path || bound == wanted || canonical(bound) == wanted) inodes.insert(inode);
  }
  return inodes;
}

void tcpListeningInodes(const char* table, int port, std::set<unsigned long>* inodes) {
  std::ifstream in(table);
  std::string line;
  std::getline(in, line);
  for (int count = 0; count < kMaxSocketLines && std::getline(in, line); ++count) {
    std::istringstream fields(line);
    std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout;
    unsigned long inode = 0;
    if (!(fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >>
          timeout >> inode))
      continue;
    if (std::strtol(state.c_str(), nullptr, 16) != kTcpListen) continue;
    std::size_t colon = local.rfind(':');
    if (colon == std::string::npos) continue;
    if (std::strtol(local.c_str() + colon + 1, nullptr, 16) != port) continue;
    inodes->insert(inode);
  }
}

bool isNumber(const char* text) {
  if (!*text) return false;
  for (; *text; ++text)
    if (*text < '0' || *text > '9') return false;
  return true;
}

pid_t processHoldingSocket(const std::set<unsigned long>& inodes) {
  if (inodes.empty()) return 0;
  DIR* proc = opendir("/proc");
  if (!proc) return 0;
  pid_t found = 0;
  int processes = 0;
  while (struct dirent* entry = readdir(proc)) {
    if (++processes > kMaxProcesses) break;
    if (!isNumber(entry->d_name)) continue;
    pid_t pid = static_cast<pid_t>(std::atol(entry->d_name));
    if (found != 0 && pid >= found) continue;
    std::string fdFolder = std::string("/proc/") + entry->d_name + "/fd";
    DIR* fds = opendir(fdFolder.c_str());
    if (!fds) continue;
    int descriptors = 0;
    while (struct dirent* fd = readdir(fds)) {
      if (++descriptors > kMaxDescriptorsPerProcess) break;
      if (!isNumber(fd->d_name)) continue;
      char target[64];
      std::string link = fdFolder + "/" + fd->d_name;
      ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
      if (n <= 0) continue;
      target[n] = '\0';
      unsigned long inode = 0;
      if (std::sscanf(target, "socket:[%lu]", &inode) == 1 && inodes.count(inode)) {
        found = pid;
        break;
      }
    }
    closedir(fds);
  }
  closedir(proc);
  return found;
}

// A /proc file of NUL-separated strings.
bool readStrings(const std::string& path, std::vector<std::string>* strings) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string item;
  strings->clear();
  while (std::getline(in, item, '\0')) strings->push_back(item);
  return true;
}

std::string readLink(const std::string& path) {
  char target[PATH_MAX];
  ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
  if (n <= 0) return std::string();
  target[n] = '\0';
  return target;
}

}  // namespace

pid_t processListeningOnSocket(const std::string& path) {
  return processHoldingSocket(unixSocketInodes(path));
}

pid_t processListeningOnPort(int port) {
  std::set<unsigned long> inodes;
  tcpListeningInodes("/proc/net/tcp", port, &inodes);
  tcpListeningInodes("/proc/net/tcp6", port, &inodes);
  return processHoldingSocket(inodes);
}

bool readProcessStart(pid_t pid, ProcessStart* start) {
  const std::string base = "/proc/" + std::to_string(pid);
  if (!readStrings(base + "/cmdline", &start->arguments) || start->arguments.empty()) return false;
  readStrings(base + "/environ", &start->environment);
  start->executable = readLink(base + "/exe");
  start->directory = readLink(base + "/cwd");
  return !start->executable.empty();
}

bool processAlive(pid_t pid) {
  if (pid <= 0) return false;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return false;
  // The state follows the command name, which is in parentheses and may
  // itself hold blanks and parentheses.
  std::size_t close = line.rfind(')');
  if (close == std::string::npos || close + 2 >= line.size()) return false;
  char state = line[close + 2];
  return state != 'Z' && state != 'X';
}

}  // namespace posix
}  // namespace platform
