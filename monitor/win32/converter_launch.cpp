#include "monitor/win32/converter_launch.h"

#include <windows.h>
#include <shlobj.h>
#include <userenv.h>

#include <algorithm>
#include <memory>

#include "monitor/win32/job_user.h"
#include "monitor/win32/monitor_log.h"
#include "platform/files.h"
#include "platform/process.h"

namespace vellora {
namespace monitor {

namespace {

std::wstring wide(const std::string& text) {
  if (text.empty()) return std::wstring();
  int size = MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring result(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &result[0], size);
  return result;
}

std::wstring variableName(const std::wstring& entry) { return entry.substr(0, entry.find(L'=', 1)); }

bool sameName(const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }

// Sets NAME=value in the list, replacing an entry of that name.
void setVariable(std::vector<std::wstring>* environment, const std::wstring& name, const std::wstring& value) {
  for (std::wstring& entry : *environment) {
    if (sameName(variableName(entry), name)) {
      entry = name + L"=" + value;
      return;
    }
  }
  environment->push_back(name + L"=" + value);
}

bool hasVariable(const std::vector<std::wstring>& environment, const std::wstring& name) {
  for (const std::wstring& entry : environment)
    if (sameName(variableName(entry), name)) return true;
  return false;
}

std::wstring userFolder(HANDLE token, int csidl) {
  wchar_t path[MAX_PATH + 1] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, token, SHGFP_TYPE_CURRENT, path))) return std::wstring();
  return path;
}

std::wstring windowsFolder() {
  wchar_t path[MAX_PATH + 1] = {};
  UINT length = GetWindowsDirectoryW(path, MAX_PATH);
  return length > 0 && length <= MAX_PATH ? std::wstring(path) : std::wstring(L"C:\\Windows");
}

std::wstring systemFolder() {
  wchar_t path[MAX_PATH + 1] = {};
  UINT length = GetSystemDirectoryW(path, MAX_PATH);
  return length > 0 && length <= MAX_PATH ? std::wstring(path) : windowsFolder() + L"\\System32";
}

// What a user's process needs, from the user's folders and the system's.
std::vector<std::wstring> fixedEnvironment(const JobUser& user, HANDLE token, const std::string& folder) {
  std::vector<std::wstring> environment;
  const std::wstring windows = windowsFolder();
  const std::wstring system = systemFolder();
  setVariable(&environment, L"SystemRoot", windows);
  setVariable(&environment, L"windir", windows);
  setVariable(&environment, L"SystemDrive", windows.substr(0, 2));
  setVariable(&environment, L"PATH", system + L";" + windows + L";" + system + L"\\Wbem");
  setVariable(&environment, L"PATHEXT", L".COM;.EXE;.BAT;.CMD");
  setVariable(&environment, L"ComSpec", system + L"\\cmd.exe");
  const std::wstring profile = userFolder(token, CSIDL_PROFILE);
  const std::wstring roaming = userFolder(token, CSIDL_APPDATA);
  const std::wstring local = userFolder(token, CSIDL_LOCAL_APPDATA);
  if (!profile.empty()) setVariable(&environment, L"USERPROFILE", profile);
  if (!roaming.empty()) setVariable(&environment, L"APPDATA", roaming);
  if (!local.empty()) setVariable(&environment, L"LOCALAPPDATA", local);
  std::wstring temp = local.empty() ? std::wstring() : local + L"\\Temp";
  DWORD attributes = temp.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(temp.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) temp = wide(folder);
  setVariable(&environment, L"TEMP", temp);
  setVariable(&environment, L"TMP", temp);
  const std::string& name = user.name();
  const std::string::size_type slash = name.find('\\');
  setVariable(&environment, L"USERNAME", wide(slash == std::string::npos ? name : name.substr(slash + 1)));
  if (slash != std::string::npos) setVariable(&environment, L"USERDOMAIN", wide(name.substr(0, slash)));
  wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (GetComputerNameW(computer, &size)) setVariable(&environment, L"COMPUTERNAME", computer);
  return environment;
}

struct Watch {
  HANDLE process = nullptr;
  std::string spoolFile;
  std::string title;
  std::string user;
  HMODULE module = nullptr;
};

// Waits for the converter, as long as it takes: it may wait for the user's
// answer in its Save dialog.
DWORD WINAPI watchConverter(void* parameter) {
  std::unique_ptr<Watch> watch(static_cast<Watch*>(parameter));
  WaitForSingleObject(watch->process, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(watch->process, &code);
  CloseHandle(watch->process);
  if (code == 0)
    monitorLog("Converted \"" + watch->title + "\" for " + watch->user);
  else if (code == 255 || code == static_cast<DWORD>(-1))
    monitorLog("No file was chosen for \"" + watch->title + "\"");
  else
    monitorLog("The converter ended with code " + std::to_string(static_cast<long>(code)) + " for \"" +
               watch->title + "\"");
  // The converter removes its spool file on every way it ends; one that
  // crashed leaves it.
  if (GetFileAttributesA(watch->spoolFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
    if (DeleteFileA(watch->spoolFile.c_str()))
      monitorLog("Removed the spool file the converter left: " + watch->spoolFile);
    else
      monitorLog("Cannot remove the spool file the converter left: " + watch->spoolFile);
  }
  HMODULE module = watch->module;
  watch.reset();
  // The spooler may unload the monitor while a converter runs; this thread
  // holds the module until it is done with it.
  FreeLibraryAndExitThread(module, 0);
  return 0;
}

void watch(HANDLE process, const ConverterJob& job, const JobUser& user) {
  Watch* watch = new Watch;
  watch->process = process;
  watch->spoolFile = job.spoolFile;
  watch->title = job.title;
  watch->user = user.name();
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&watchConverter),
                          &watch->module)) {
    monitorLog("The converter for \"" + job.title + "\" runs unwatched: the monitor's module is not known");
    CloseHandle(process);
    delete watch;
    return;
  }
  HANDLE thread = CreateThread(nullptr, 0, watchConverter, watch, 0, nullptr);
  if (thread == nullptr) {
    monitorLog("The converter for \"" + job.title + "\" runs unwatched: " +
               platform::errorText(static_cast<int>(GetLastError())));
    FreeLibrary(watch->module);
    CloseHandle(process);
    delete watch;
    return;
  }
  CloseHandle(thread);
}

}  // namespace

std::string converterCommandLine(const ConverterJob& job) {
  return platform::quoteArgumentAlways(job.program) + " " + std::to_string(job.pages) + " " +
         platform::quoteArgumentAlways(job.spoolFile) + " " + platform::quoteArgumentAlways(job.title) + " " +
         platform::quoteArgumentAlways(job.printer);
}

std::vector<std::wstring> converterEnvironment(const JobUser& user, const std::string& folder) {
  HANDLE own = nullptr;
  HANDLE token = user.token();
  if (token == nullptr && OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &own)) token = own;
  std::vector<std::wstring> environment;
  void* block = nullptr;
  if (token != nullptr && CreateEnvironmentBlock(&block, token, FALSE)) {
    for (const wchar_t* entry = static_cast<const wchar_t*>(block); *entry; entry += wcslen(entry) + 1)
      environment.push_back(entry);
    DestroyEnvironmentBlock(block);
  }
  // What Windows left out (all of it when it could not say) comes from the
  // user's folders and the system's.
  for (const std::wstring& entry : fixedEnvironment(user, token, folder))
    if (!hasVariable(environment, variableName(entry))) environment.push_back(entry);
  if (own) CloseHandle(own);
#ifdef VELLORA_TEST_HOOKS
  // A test's converter takes the registry roots and folders of the test's
  // machine (see useRegistryRootsForTesting).
  wchar_t machine[512] = {};
  DWORD length = GetEnvironmentVariableW(L"VELLORA_TEST_REGISTRY", machine, 512);
  if (length > 0 && length < 512) setVariable(&environment, L"VELLORA_TEST_REGISTRY", machine);
#endif
  std::sort(environment.begin(), environment.end(), [](const std::wstring& a, const std::wstring& b) {
    return lstrcmpiW(variableName(a).c_str(), variableName(b).c_str()) < 0;
  });
  return environment;
}

bool startConverter(const ConverterJob& job, const JobUser& user, std::string* why) {
  std::wstring commandLine = wide(converterCommandLine(job));
  const std::wstring program = wide(job.program);
  const std::wstring folder = wide(job.folder);
  std::wstring block;
  for (const std::wstring& entry : converterEnvironment(user, job.folder)) block += entry + L'\0';
  block += L'\0';

  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  wchar_t desktop[] = L"winsta0\\default";
  PROCESS_INFORMATION process = {};
  // No console window flashes up; the converter shows its own windows.
  const DWORD flags = CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW;
  BOOL started;
  if (user.token() != nullptr) {
    startup.lpDesktop = desktop;
    AsMonitorAccount monitorAccount;
    started = CreateProcessAsUserW(user.token(), program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, flags,
                                   &block[0], folder.empty() ? nullptr : folder.c_str(), &startup, &process);
  } else {
    started = CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, flags, &block[0],
                             folder.empty() ? nullptr : folder.c_str(), &startup, &process);
  }
  if (!started) {
    *why = "cannot start the converter " + job.program + ": " + platform::errorText(static_cast<int>(GetLastError()));
    return false;
  }
  CloseHandle(process.hThread);
  watch(process.hProcess, job, user);
  return true;
}

}  // namespace monitor
}  // namespace vellora
