// The printed document's title: read from the spool file's "%%Title:"
// comment and cleaned for display (the PDF's /Title, the e-mail subject). The
// pieces of the cleaning are shared with the automatic file names.
#pragma once

#include <cstddef>
#include <string>

#include "converter/job/job_record.h"

namespace vellora {

// Titles are cleaned in a working copy of at most 779 characters.
constexpr std::size_t kTitleWorkCapacity = 780;

// How many leading characters the application's own prefix takes:
// "(Microsoft PowerPoint -" 24, "Microsoft PowerPoint -" 23, "Microsoft Word -"
// 17 (the prefix and the blank after it), counted from the start of the text
// wherever the prefix was found; never more than the text holds.
std::size_t applicationPrefixLength(const std::string& text);

// Whether text[at] begins a backslash followed by three decimal digits. The
// digits are read as an octal number that ends at the first 8 or 9 (so
// "\\128" is 012 and "\\812" is 0); *code receives its low byte.
bool octalEscapeAt(const std::string& text, std::size_t at, unsigned char* code);

// Cuts a file-name extension: when the text is longer than seven characters
// and its last "." lies within its last five, the text ends before that ".".
// With keepCom a text ending in ".com" (letter case ignored) keeps it.
std::string cutTitleExtension(const std::string& text, bool keepCom);

// The display title: the application prefix skipped, octal escapes decoded,
// the extension cut (".com" kept). NUL bytes, decoded or not, are left out
// rather than ending the title there.
std::string cleanTitle(const std::string& title);

// Reads the spool file in text mode up to the first line holding "%%Title:"
// (or to its end) and fills job.title and job.rawTitle: the raw title is the
// line from its tenth character on, the title its cleaned form; when that is
// empty the title is the cleaned documentName. A file that cannot be opened
// gives an empty raw title (and so the document name as title). Returns 1 when
// a line holding "%!PS" was read, else 0.
int scanSpool(JobRecord& job, const std::string& spoolFile, const std::string& documentName);

// Whether the spool file holds anything for an interpreter to run: a line
// that is neither blank nor a comment. An empty or unreadable file, or one of
// comments only, holds no PostScript.
bool spoolHasPostScript(const std::string& spoolFile);

}  // namespace vellora
