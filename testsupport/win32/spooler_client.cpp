// vltestprint.exe: a Windows program that uses the spooler as applications
// do, for the tests of an installed Vellora:
//
//   vltestprint print PRINTER TITLE TEXT...   one page per TEXT, drawn with
//                                             GDI (StartDoc, TextOut, EndPage,
//                                             EndDoc); exit 0 when EndDoc
//                                             succeeded
//   vltestprint spooler                       the spooler's monitors, drivers
//                                             and printers, one per line:
//                                             "monitor NAME", "driver NAME",
//                                             "printer NAME PORT DRIVER" (tabs)
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

int fail(const char* what) {
  std::fprintf(stderr, "%s failed (error %lu)\n", what, static_cast<unsigned long>(GetLastError()));
  return 1;
}

int print(const char* printer, const char* title, int count, char** texts) {
  HDC dc = CreateDCA("WINSPOOL", printer, nullptr, nullptr);
  if (dc == nullptr) return fail("CreateDC");
  DOCINFOA document = {};
  document.cbSize = sizeof document;
  document.lpszDocName = title;
  if (StartDocA(dc, &document) <= 0) {
    DeleteDC(dc);
    return fail("StartDoc");
  }
  HFONT font = CreateFontA(-MulDiv(24, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_SWISS, "Arial");
  const int margin = GetDeviceCaps(dc, LOGPIXELSX);
  for (int page = 0; page < count; ++page) {
    if (StartPage(dc) <= 0) {
      AbortDoc(dc);
      DeleteDC(dc);
      return fail("StartPage");
    }
    HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
    TextOutA(dc, margin, margin, texts[page], static_cast<int>(std::strlen(texts[page])));
    if (previous) SelectObject(dc, previous);
    if (EndPage(dc) <= 0) {
      AbortDoc(dc);
      DeleteDC(dc);
      return fail("EndPage");
    }
  }
  int ended = EndDoc(dc);
  if (font) DeleteObject(font);
  DeleteDC(dc);
  if (ended <= 0) return fail("EndDoc");
  return 0;
}

template <typename Call>
std::vector<BYTE> enumerate(Call call, DWORD* count) {
  DWORD needed = 0;
  *count = 0;
  call(nullptr, 0, &needed, count);
  std::vector<BYTE> buffer(needed ? needed : 1);
  if (!call(buffer.data(), needed, &needed, count)) *count = 0;
  return buffer;
}

int listSpooler() {
  DWORD count = 0;
  std::vector<BYTE> monitors = enumerate(
      [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
        return EnumMonitorsA(nullptr, 2, data, size, needed, returned);
      },
      &count);
  for (DWORD i = 0; i < count; ++i) {
    const MONITOR_INFO_2A& monitor = reinterpret_cast<const MONITOR_INFO_2A*>(monitors.data())[i];
    std::printf("monitor\t%s\t%s\n", monitor.pName ? monitor.pName : "", monitor.pDLLName ? monitor.pDLLName : "");
  }
  std::vector<BYTE> drivers = enumerate(
      [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
        return EnumPrinterDriversA(nullptr, nullptr, 2, data, size, needed, returned);
      },
      &count);
  for (DWORD i = 0; i < count; ++i) {
    const DRIVER_INFO_2A& driver = reinterpret_cast<const DRIVER_INFO_2A*>(drivers.data())[i];
    std::printf("driver\t%s\t%s\n", driver.pName ? driver.pName : "", driver.pDataFile ? driver.pDataFile : "");
  }
  std::vector<BYTE> printers = enumerate(
      [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
        return EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, data, size, needed, returned);
      },
      &count);
  for (DWORD i = 0; i < count; ++i) {
    const PRINTER_INFO_2A& printer = reinterpret_cast<const PRINTER_INFO_2A*>(printers.data())[i];
    std::printf("printer\t%s\t%s\t%s\n", printer.pPrinterName ? printer.pPrinterName : "",
                printer.pPortName ? printer.pPortName : "", printer.pDriverName ? printer.pDriverName : "");
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 5 && std::strcmp(argv[1], "print") == 0) return print(argv[2], argv[3], argc - 4, argv + 4);
  if (argc == 2 && std::strcmp(argv[1], "spooler") == 0) return listSpooler();
  std::fprintf(stderr, "usage: vltestprint print PRINTER TITLE TEXT... | vltestprint spooler\n");
  return 2;
}
