// What the converter, the installer and the drag-and-drop program agree on
// with the print monitor that hands every job over.
#pragma once

namespace vellora {

constexpr const char kMonitorName[] = "Norvale Print Monitor";
// The monitor's files by platform, without their ending: a monitor is a
// library on Windows ("vlmon.dll") and a program on POSIX ("vlmon"); the
// ending is platform::kMonitorFileSuffix.
constexpr const char kMonitorFile9x[] = "vlmon9";
constexpr const char kMonitorFileNt4[] = "vlmon4";
constexpr const char kMonitorFile32[] = "vlmon";
constexpr const char kMonitorFileX64[] = "vlmon64x";
constexpr const char kMonitorFileIa64[] = "vlmon64i";
// A program beside the 64-bit monitor (ending platform::kExeSuffix).
constexpr const char kMonitorHelper64[] = "vlcvt";
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

// How a job ended, for the monitor that started the converter: the exit
// code stays 0 for a job that failed (other callers rely on it), so the
// monitor names an empty file of its own in this variable, in the user's
// working folder, and the converter writes the end into it: one word, a
// line end, and a line for the user. A file left empty means the converter
// did not get that far (it crashed, or was killed).
constexpr const char kJobResultVariable[] = "VELLORA_JOB_RESULT";
constexpr const char kJobCompleted[] = "completed";  // the document is in place
constexpr const char kJobFailed[] = "failed";        // nothing was delivered
// The user was asked and gave the job up (a password not given, a
// replacement declined); nothing was delivered.
constexpr const char kJobAbandoned[] = "abandoned";

}  // namespace vellora
