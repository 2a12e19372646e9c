// How the drag-and-drop program prints a document that no application
// claims (the shell asks this route for "printto" on POSIX): what the print
// server prints by itself (PDF, PostScript, plain text, PNG, JPEG, GIF,
// TIFF) is queued there, office documents go to LibreOffice
// ("soffice --headless --pt PRINTER FILE") when it is installed, anything
// else has no way (kSeErrNoAssociation).
#pragma once

#include <string>

namespace vellora {

enum class DocumentKind { kOther, kPdf, kPostScript, kText, kPng, kJpeg, kGif, kTiff, kOffice };

// Tells the kind from the file's first bytes, and office documents from
// their extension (their content is a container of no printable kind).
DocumentKind documentKind(const std::string& path);

// The MIME type the print server is told for a kind; empty for kOther and
// kOffice.
const char* documentFormat(DocumentKind kind);

// The route (platform::PrintRoute): answers as the shell does.
int printWithoutApplication(const std::string& file, const std::string& printer,
                            const std::string& directory, std::string* failure);

}  // namespace vellora
