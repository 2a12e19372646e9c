// The converter's string table: every message the converter shows, by id.
#pragma once

#include <string>

namespace vellora {

// The text of an entry; empty when the table has no such entry.
std::string stringTableText(int id);

// Ids the converter refers to by name.
enum StringId {
  kStrProductName = 1,
  kStrEdition = 2,
  kStrPresetStandard = 6,
  kStrInterpreterMissing = 12,
  kStrReplaceInstead = 13,
  kStrExaminingPdf = 14,
  kStrErrorReadingPdf = 15,
  kStrCannotWritePath = 16,
  kStrNoInterpreterWritingPostScript = 17,
  kStrNoFilename = 18,
  kStrEncryptedOriginal = 19,
  kStrJoining = 20,
  kStrPasswordTryAgain = 22,
  kStrPasswordReplaceInstead = 23,
  kStrUnreadableReplaceInstead = 24,
  kStrApplyingStationery = 25,
  kStrStationeryFailed = 26,
  kStrSettingPermissions = 27,
  kStrEncryptionWithDistiller = 28,
  kStrEncryptionFailed = 29,
  kStrErrorWritingPdf = 30,
  kStrEmailFailed = 32,
  kStrNoInterpreterDefined = 35,
  kStrNoInterpreterDetected = 36,
  kStrFileLocked = 37,
  kStrNoOwnerPassword = 39,
  kStrPasswordWithoutSecurity = 40,
  kStrReportQuestion = 57,
  kStrReportCaption = 58,
  kStrReportThanks = 59,
  kStrCrashQuestion = 60,
  kStrCrashLogged = 61,
  kStrSaveDialogTitle = 62,
  kStrAgentCannotConnect = 64,
  kStrAgentCannotClose = 65,
  kStrAgentCannotReceive = 66,
  kStrAgentCannotSend = 67,
  kStrAgentCannotResolve = 68,
  kStrRestartForChanges = 70,
  kStrLoading = 74,
  kStrNoneFound = 90,
  kStrNone = 91,
  kStrNoInterpreterFound = 92,
  kStrModifyFailed = 93,
  kStrAsDefaultProfile = 97,
  kStrDeleteProfile = 99,
  kStrPresetWeb = 100,
  kStrPresetPrinting = 101,
  kStrPresetPrepress = 102,
  kStrUse = 103,
  kStrViewerNotStarted = 104,
  kStrCannotCreatePostScript = 105,
  // Without a report server: what failed, and where the run log is.
  kStrDocumentFailed = 110,
  kStrConverterFailed = 111,
  kStrRunLogAt = 112,
  kStrNoRunLog = 113,
  // A PDF job whose document cannot be read.
  kStrPdfDamaged = 114,
  kStrNotAPdf = 115,
};

// The maker's support address, shown in the texts that ask for a report.
constexpr const char kSupportAddress[] = "support@norvale.example";

}  // namespace vellora
