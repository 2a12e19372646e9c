// The running system, the user and the clocks on Windows.
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/system.h"
#include "platform/win32/windows_api.h"

namespace platform {
namespace {

std::mutex versionLock;
bool versionFixed = false;
OsVersion fixedVersion;

std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  const std::size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

template <typename Function>
Function systemFunction(const char* module, const char* name) {
  HMODULE handle = GetModuleHandleA(module);
  if (handle == nullptr) return nullptr;
  // Through a generic function pointer: FARPROC does not convert to the
  // real signature without a cast-function-type warning.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(handle, name)));
}

bool runsOn64BitSystem() {
#if defined(_WIN64)
  return true;
#else
  using IsWow64Function = BOOL(WINAPI*)(HANDLE, PBOOL);
  const auto isWow64 = systemFunction<IsWow64Function>("kernel32.dll", "IsWow64Process");
  BOOL wow64 = FALSE;
  return isWow64 != nullptr && isWow64(GetCurrentProcess(), &wow64) && wow64;
#endif
}

// RtlGetVersion tells the truth; GetVersionExA reports the newest version
// the program declares itself compatible with in its manifest (Windows 8
// for a program without one).
bool versionFromNtdll(OsVersion* version) {
  using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOEXW*);
  const auto getVersion = systemFunction<RtlGetVersionFunction>("ntdll.dll", "RtlGetVersion");
  if (getVersion == nullptr) return false;
  OSVERSIONINFOEXW info = {};
  info.dwOSVersionInfoSize = sizeof info;
  if (getVersion(&info) != 0) return false;
  version->platform = info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? kWin32Windows : kWin32Nt;
  version->major = static_cast<int>(info.dwMajorVersion);
  version->minor = static_cast<int>(info.dwMinorVersion);
  version->build = static_cast<int>(info.dwBuildNumber);
  char servicePack[sizeof info.szCSDVersion] = {};
  WideCharToMultiByte(CP_ACP, 0, info.szCSDVersion, -1, servicePack, sizeof servicePack - 1,
                      nullptr, nullptr);
  version->servicePack = trimmed(servicePack);
  return true;
}

bool versionFromKernel(OsVersion* version) {
  OSVERSIONINFOEXA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  // The extended structure is refused by Windows 95/98/Me and early NT 4.
  if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) {
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) return false;
  }
  const bool nineX = info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
  version->platform = nineX ? kWin32Windows : kWin32Nt;
  version->major = static_cast<int>(info.dwMajorVersion);
  version->minor = static_cast<int>(info.dwMinorVersion);
  // On the 9x family the high word repeats the version number.
  version->build = static_cast<int>(nineX ? info.dwBuildNumber & 0xFFFF : info.dwBuildNumber);
  version->servicePack = trimmed(info.szCSDVersion);
  return true;
}

OsVersion detectedVersion() {
  OsVersion version;
  if (!versionFromNtdll(&version)) versionFromKernel(&version);
  version.is64Bit = runsOn64BitSystem();
  return version;
}

}  // namespace

OsVersion osVersion() {
  {
    std::lock_guard<std::mutex> guard(versionLock);
    if (versionFixed) return fixedVersion;
  }
  static const OsVersion detected = detectedVersion();
  return detected;
}

void setOsVersionForTesting(const OsVersion* version) {
  std::lock_guard<std::mutex> guard(versionLock);
  versionFixed = version != nullptr;
  if (version != nullptr) fixedVersion = *version;
}

bool runsUnderWine() {
  // Wine's ntdll exports its own version; Windows' has no such function.
  return systemFunction<void (*)()>("ntdll.dll", "wine_get_version") != nullptr;
}

std::string hostPath(const std::string& path) {
  // kernel32 of Wine exports the conversion; it takes the wide path and
  // returns a UTF-8 string from the process heap.
  using UnixNameFunction = char*(CDECL*)(const WCHAR*);
  const auto unixName = systemFunction<UnixNameFunction>("kernel32.dll", "wine_get_unix_file_name");
  if (unixName == nullptr) return path;
  const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
  if (length <= 0) return "";
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], length);
  char* name = unixName(wide.c_str());
  if (name == nullptr) return "";
  std::string result = name;
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

bool isWow64Process() { return runsOn64BitSystem(); }

bool disableWow64Redirection() {
  using DisableFunction = BOOL(WINAPI*)(PVOID*);
  const auto disable = systemFunction<DisableFunction>("kernel32.dll", "Wow64DisableWow64FsRedirection");
  if (disable == nullptr) return false;
  // The old value is never restored: the rest of the process works on the
  // native system folder.
  PVOID previous = nullptr;
  disable(&previous);
  return true;
}

bool nativeProcessorIsIa64() {
  SYSTEM_INFO info = {};
  GetNativeSystemInfo(&info);
  return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
}

std::string userName() {
  // UNLEN + 1: the longest logon name with its terminator.
  char buffer[257] = {};
  DWORD size = sizeof buffer;
  if (!GetUserNameA(buffer, &size)) return "";
  return buffer;
}

bool isAdministrator() {
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators)) {
    return false;
  }
  // Under UAC a filtered token has the group for deny only, which counts as
  // not a member: such a process may not write the machine keys either.
  BOOL member = FALSE;
  if (!CheckTokenMembership(nullptr, administrators, &member)) member = FALSE;
  FreeSid(administrators);
  return member != FALSE;
}

std::uint64_t systemTimeAsFileTime() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

std::uint64_t tickMilliseconds() { return GetTickCount64(); }

}  // namespace platform
