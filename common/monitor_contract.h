// What the converter, the installer and the drag-and-drop program agree on
// with the print monitor that hands every job over.
#pragma once

namespace vellora {

constexpr const char kMonitorName[] = "Norvale Print Monitor";
constexpr const char kMonitorFile9x[] = "vlmon9.dll";
constexpr const char kMonitorFileNt4[] = "vlmon4.dll";
constexpr const char kMonitorFile32[] = "vlmon.dll";
constexpr const char kMonitorFileX64[] = "vlmon64x.dll";
constexpr const char kMonitorFileIa64[] = "vlmon64i.dll";
constexpr const char kMonitorHelper64[] = "vlcvt.exe";  // beside the 64-bit monitor
constexpr const char kMonitorPort[] = "VLM:";
constexpr const char kPrinterName[] = "Vellora";
constexpr const char kDriverName[] = "Vellora";
constexpr const char kPrintProcessor[] = "WinPrint";
constexpr const char kDataType[] = "RAW";

// The converter's command line as the monitor builds it: page count, spool
// file, document name, printer name (two more may follow and are ignored).
constexpr int kMonitorArgumentCount = 4;
// The page count that marks a PostScript file handed over by the user.
constexpr int kUserPostScriptMode = 9993;

}  // namespace vellora
