// vlmon.dll (vlmon64x.dll on 64-bit Windows): the Vellora print monitor for
// the Windows spooler, a port monitor with the Monitor2 interface serving
// the one port "VLM:". The spooler loads it (AddMonitor registers it) and
// hands every job printed on that port to OpenPort, StartDocPort,
// WritePort, EndDocPort and ClosePort; port_job.h does the work.
//
// Ports: Windows' spooler learns the monitor's ports from EnumPorts. Wine's
// looks for a key "Ports\\<port>" under the monitor's registry key instead,
// so the monitor keeps that key too, through the registry functions the
// spooler hands it or, where the spooler does not implement them (Wine),
// directly under HKEY_LOCAL_MACHINE.
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <cstring>
#include <new>
#include <string>

#include "common/monitor_contract.h"
#include "monitor/win32/monitor_log.h"
#include "monitor/win32/port_job.h"

using namespace vellora;
using namespace vellora::monitor;

namespace {

constexpr wchar_t kPortW[] = L"VLM:";
constexpr wchar_t kMonitorNameW[] = L"Norvale Print Monitor";
constexpr wchar_t kPortDescriptionW[] = L"Vellora PDF port";
constexpr wchar_t kMonitorsKey[] = L"System\\CurrentControlSet\\Control\\Print\\Monitors\\";

constexpr DWORD kPortMagic = 0x564c4d50;  // "VLMP"
constexpr DWORD kXcvMagic = 0x564c4d58;   // "VLMX"

struct Port {
  DWORD magic = kPortMagic;
  PortJob job;
};

struct Xcv {
  DWORD magic = kXcvMagic;
};

// The one monitor instance; its handle is handed to the spooler.
struct Monitor {
  DWORD magic = 0x564c4d4d;  // "VLMM"
} theMonitor;

Port* portOf(HANDLE handle) {
  Port* port = static_cast<Port*>(handle);
  if (port == nullptr || port->magic != kPortMagic) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return port;
}

bool isOurPort(const wchar_t* name) { return name != nullptr && lstrcmpiW(name, kPortW) == 0; }

BOOL fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

BOOL WINAPI enumPorts(HANDLE, LPWSTR, DWORD level, LPBYTE ports, DWORD size, LPDWORD needed, LPDWORD returned) {
  if (needed == nullptr || returned == nullptr) return fail(ERROR_INVALID_PARAMETER);
  *returned = 0;
  if (level != 1 && level != 2) return fail(ERROR_INVALID_LEVEL);
  // The record first, its texts after it.
  const DWORD record = level == 1 ? sizeof(PORT_INFO_1W) : sizeof(PORT_INFO_2W);
  DWORD texts = sizeof kPortW;
  if (level == 2) texts += sizeof kMonitorNameW + sizeof kPortDescriptionW;
  *needed = record + texts;
  if (size < *needed || ports == nullptr) return fail(ERROR_INSUFFICIENT_BUFFER);
  std::memset(ports, 0, *needed);
  wchar_t* text = reinterpret_cast<wchar_t*>(ports + record);
  auto place = [&text](const wchar_t* value, std::size_t bytes) {
    wchar_t* at = text;
    std::memcpy(at, value, bytes);
    text += bytes / sizeof(wchar_t);
    return at;
  };
  if (level == 1) {
    PORT_INFO_1W* info = reinterpret_cast<PORT_INFO_1W*>(ports);
    info->pName = place(kPortW, sizeof kPortW);
  } else {
    PORT_INFO_2W* info = reinterpret_cast<PORT_INFO_2W*>(ports);
    info->pPortName = place(kPortW, sizeof kPortW);
    info->pMonitorName = place(kMonitorNameW, sizeof kMonitorNameW);
    info->pDescription = place(kPortDescriptionW, sizeof kPortDescriptionW);
    info->fPortType = PORT_TYPE_WRITE;
  }
  *returned = 1;
  return TRUE;
}

BOOL WINAPI openPort(HANDLE, LPWSTR name, PHANDLE handle) {
  if (handle == nullptr) return fail(ERROR_INVALID_PARAMETER);
  *handle = nullptr;
  if (!isOurPort(name)) return fail(ERROR_UNKNOWN_PORT);
  Port* port = new (std::nothrow) Port;
  if (port == nullptr) return fail(ERROR_NOT_ENOUGH_MEMORY);
  *handle = port;
  return TRUE;
}

BOOL WINAPI startDocPort(HANDLE handle, LPWSTR printer, DWORD jobId, DWORD level, LPBYTE docInfo) {
  Port* port = portOf(handle);
  if (port == nullptr) return FALSE;
  // DOC_INFO_1 and DOC_INFO_2 both begin with the document's name.
  std::wstring document;
  if ((level == 1 || level == 2) && docInfo != nullptr) {
    const DOC_INFO_1W* info = reinterpret_cast<const DOC_INFO_1W*>(docInfo);
    if (info->pDocName) document = info->pDocName;
  }
  DWORD error = 0;
  if (!port->job.start(printer ? std::wstring(printer) : std::wstring(), jobId, document, &error)) return fail(error);
  return TRUE;
}

BOOL WINAPI writePort(HANDLE handle, LPBYTE buffer, DWORD size, LPDWORD written) {
  Port* port = portOf(handle);
  if (port == nullptr) return FALSE;
  if (written == nullptr || (buffer == nullptr && size > 0)) return fail(ERROR_INVALID_PARAMETER);
  *written = 0;
  DWORD error = 0;
  if (!port->job.write(buffer, size, &error)) return fail(error);
  *written = size;
  return TRUE;
}

BOOL WINAPI endDocPort(HANDLE handle) {
  Port* port = portOf(handle);
  if (port == nullptr) return FALSE;
  DWORD error = 0;
  if (!port->job.end(&error)) return fail(error);
  return TRUE;
}

BOOL WINAPI closePort(HANDLE handle) {
  Port* port = portOf(handle);
  if (port == nullptr) return FALSE;
  port->job.abandon();
  port->magic = 0;
  delete port;
  return TRUE;
}

// The port has nothing to configure: the configuration interface answers
// that it supports no command.
BOOL WINAPI xcvOpenPort(HANDLE, LPCWSTR, ACCESS_MASK, PHANDLE handle) {
  if (handle == nullptr) return fail(ERROR_INVALID_PARAMETER);
  *handle = new (std::nothrow) Xcv;
  return *handle != nullptr ? TRUE : fail(ERROR_NOT_ENOUGH_MEMORY);
}

DWORD WINAPI xcvDataPort(HANDLE handle, LPCWSTR, PBYTE, DWORD, PBYTE, DWORD, PDWORD needed) {
  const Xcv* xcv = static_cast<const Xcv*>(handle);
  if (xcv == nullptr || xcv->magic != kXcvMagic) return ERROR_INVALID_HANDLE;
  if (needed) *needed = 0;
  return ERROR_NOT_SUPPORTED;
}

BOOL WINAPI xcvClosePort(HANDLE handle) {
  Xcv* xcv = static_cast<Xcv*>(handle);
  if (xcv == nullptr || xcv->magic != kXcvMagic) return fail(ERROR_INVALID_HANDLE);
  xcv->magic = 0;
  delete xcv;
  return TRUE;
}

VOID WINAPI shutdownMonitor(HANDLE) {}

MONITOR2 makeTable() {
  MONITOR2 table = {};
  table.cbSize = sizeof table;
  table.pfnEnumPorts = enumPorts;
  table.pfnOpenPort = openPort;
  table.pfnStartDocPort = startDocPort;
  table.pfnWritePort = writePort;
  table.pfnEndDocPort = endDocPort;
  table.pfnClosePort = closePort;
  table.pfnXcvOpenPort = xcvOpenPort;
  table.pfnXcvDataPort = xcvDataPort;
  table.pfnXcvClosePort = xcvClosePort;
  table.pfnShutdown = shutdownMonitor;
  return table;
}

MONITOR2 theTable = makeTable();

// Keeps "Ports\\VLM:" under the monitor's key, through the spooler's
// registry functions where it has them.
void keepPortKey(const MONITORINIT* init) {
  const MONITORREG* reg = init->pMonitorReg;
  if (reg != nullptr && reg->cbSize >= sizeof(MONITORREG) && reg->fpCreateKey && reg->fpCloseKey) {
    HANDLE ports = nullptr;
    LONG status = reg->fpCreateKey(init->hckRegistryRoot, L"Ports", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                   &ports, nullptr, init->hSpooler);
    if (status == ERROR_SUCCESS) {
      HANDLE port = nullptr;
      status = reg->fpCreateKey(ports, kPortW, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &port, nullptr,
                                init->hSpooler);
      if (status == ERROR_SUCCESS) reg->fpCloseKey(port, init->hSpooler);
      reg->fpCloseKey(ports, init->hSpooler);
    }
    if (status != ERROR_CALL_NOT_IMPLEMENTED) return;
  }
  const std::wstring path = std::wstring(kMonitorsKey) + kMonitorNameW + L"\\Ports\\" + kPortW;
  HKEY key = nullptr;
  LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                nullptr, &key, nullptr);
  if (status == ERROR_SUCCESS)
    RegCloseKey(key);
  else
    monitorLog("Cannot register the port VLM: with the spooler (registry error " + std::to_string(status) + ")");
}

}  // namespace

// The monitor's own entry point, so that no other module's is linked in.
extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(module);
  return TRUE;
}

extern "C" LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT init, PHANDLE monitor) {
  if (init == nullptr || monitor == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  // Local printers only: the converter runs on this machine's desktops.
  if (!init->bLocal) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  keepPortKey(init);
  *monitor = &theMonitor;
  return &theTable;
}
