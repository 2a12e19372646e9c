// PDF documents as applications print them, made by Ghostscript for the
// test, and what a PDF keeps of them: its web links and bookmarks, read
// with the host's qpdf.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

// The web link of makeLinkedPdf's documents.
constexpr const char kLinkedPdfUri[] = "https://example.org/vellora/annual-links";

// Writes a two-page PDF whose information names `title` (none when empty):
// page 1 shows "First page of <title>" and a web link to kLinkedPdfUri,
// page 2 "Second page of <title>"; its bookmarks "Chapter One" and "Chapter
// Two" lead to them. Empty when it was made, else why not.
std::string makeLinkedPdf(const std::string& path, const std::string& title, int extraPages = 0);

// The URIs of the PDF's web links, in the order qpdf lists them.
std::vector<std::string> pdfLinkUris(const std::string& pdf, const std::string& password = "");
// The PDF's top-level bookmarks as "title@page" (page counted from 1), in
// their order.
std::vector<std::string> pdfBookmarks(const std::string& pdf, const std::string& password = "");

}  // namespace testsupport
