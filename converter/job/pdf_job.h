// Jobs whose spool file is a PDF. Such a job is converted in one pass:
// Ghostscript runs the prologue, the PDF as it is and the epilogue, so the
// document keeps its text, links and bookmarks. Without Ghostscript the PDF
// is handed on as it came, with what the PDF utility can apply.
#pragma once

#include "converter/job/converter_run.h"
#include "converter/postscript/spool_format.h"

namespace vellora {

// Whether the kind is a Ghostscript, the one interpreter that reads PDF.
bool isGhostscriptKind(int kind);

// What the spool file holds, noted before anything else of the job
// (job.pdfJob, job.foundInterpreterKind). A PDF job that has no Ghostscript
// gets no interpreter at all: nothing needs to run to make a PDF of it.
// A user's own PDF (mode 9993) without a document name takes its file's
// name as one.
SpoolFormat recogniseJobDocument(JobRecord& job);

// The title of a job whose spool file is, or claims to be, a PDF: the
// document's own title, else the document name. The document is checked on
// the way: one that is damaged, needs a password or is no PDF at all ends
// the job with a message saying so (nothing of the user's is touched).
// Returns kPdfJobGoesOn, or the exit code of the ended job.
constexpr int kPdfJobGoesOn = -2;
int titleFromPdf(ConverterRun& run, SpoolFormat format);

// PostScript output of a PDF job needs Ghostscript. Without one the job
// delivers its PDF instead, under the chosen name with ".pdf" for ".ps",
// and says so in the log.
void keepPdfWithoutPostScriptInterpreter(JobRecord& job);

}  // namespace vellora
