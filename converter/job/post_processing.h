// The steps of a job that hand a PDF to the utility program: the look at an
// existing file the new document joins, and the post-processing of the new
// document (join, stationery, permissions, producer).
#pragma once

#include <memory>

#include "converter/backends/utility_runner.h"
#include "converter/job/converter_run.h"

namespace vellora {

// Examines the existing file a new document is appended to or prepended
// before, and asks for its password when it has one. May end the job.
void examineExistingPdf(ConverterRun& run);

// Joins the new document with the existing one, up to three password
// attempts. May end the job.
void joinWithExistingPdf(ConverterRun& run);
// Applies the chosen stationery when it is enabled and named. When the
// utility cannot apply it the user is told, the run log says why, and the
// document is delivered without it.
void applyStationery(ConverterRun& run);
// Sets passwords and permissions when an encryption level is chosen. When
// that fails the job fails (the previous file stays as it was), except with
// Distiller, whose document is delivered unencrypted after saying so.
void applyEncryption(ConverterRun& run);
// Whether the interpreter's result in the work file is a PDF the utility
// can read; logs when it is not.
bool resultIsReadablePdf(JobRecord& job);
// The same check with the product's name given to the document as its
// producer (Ghostscript writes its own), in one utility run, started with
// the interpreter by startResultCheck. A stamp that fails leaves the
// document as it is.
std::unique_ptr<UtilityInWaiting> startResultCheck(const JobRecord& job);
bool readablePdfWithProducer(ConverterRun& run, UtilityInWaiting& check);

// Makes the utility's output the job's work file. Returns false (after
// logging with failureFormat, a "%s...%s" entry taking the work file path)
// when the copy failed; the utility's result is then kept under its own name
// so nothing is lost.
bool replaceWorkFile(JobRecord& job, const char* failureFormat);

// Whether the stationery settings ask for stationery: enabled, and any name
// but "None".
bool stationeryWanted(const SettingsRecord& settings);

}  // namespace vellora
