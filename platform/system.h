// Who and what the program runs on: operating-system identity, the user, the
// clock.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

enum OsPlatform { kWin32Windows = 1, kWin32Nt = 2 };  // 9x family, NT family

struct OsVersion {
  OsPlatform platform = kWin32Nt;
  int major = 10;
  int minor = 0;
  int build = 0;
  std::string servicePack;  // e.g. "Service Pack 2"; empty when none
  bool is64Bit = false;     // a 64-bit system (the program itself may be 32-bit)
};

// The running system. On POSIX the NT family with major version 10; in a
// build whose tests run, the environment variable VELLORA_OS_VERSION may
// name another ("95", "98", "Me", "NT4", "2000", "XP", "2003", "Vista", "7",
// or "nt:MAJOR.MINOR" / "9x:MAJOR.MINOR"), so that each branch of the
// programs can be tested.
OsVersion osVersion();
// Tests may fix the version in-process; nullptr restores the detected one.
void setOsVersionForTesting(const OsVersion* version);

// Whether the Windows programs run under Wine rather than on Windows. Wine
// differs from Windows in a few details tests must allow for, such as the
// order in which registry values enumerate.
bool runsUnderWine();
// The name the host system gives a file: under Wine the Unix path of a
// Windows path (empty when it has none); elsewhere the path itself. Tests
// hand it to the host's own programs (qpdf, pdfinfo) that check results.
std::string hostPath(const std::string& path);
// The 64-bit questions of a print installer on Windows. A 32-bit program on
// 64-bit Windows (WOW64) must install the 64-bit variants of drivers and
// monitors, and so must a 64-bit Windows program: isWow64Process() is true
// for both (found by looking "IsWow64Process" up in kernel32 at run time).
// Always false on POSIX, whose spooler has no such variants.
bool isWow64Process();
// Switches the file-system redirection of a WOW64 process off, so that
// later file operations reach the native system folder; false when the
// system has no such call (then nothing changed).
bool disableWow64Redirection();
// Whether the machine's native processor is an Itanium.
bool nativeProcessorIsIa64();

// The logon name of the user running the program.
std::string userName();
// Whether the process has administrator rights (may write protected registry
// keys and the machine store). In a build whose tests run,
// VELLORA_USER_RIGHTS=admin or =user decides instead.
bool isAdministrator();

// The current time as a Windows file time: 100-nanosecond intervals since
// 1601-01-01 UTC.
std::uint64_t systemTimeAsFileTime();
// A monotonic clock for measuring intervals.
std::uint64_t tickMilliseconds();

}  // namespace platform
