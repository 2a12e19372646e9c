// Bookmarks (the outline tree) of joined documents.
#pragma once

#include <qpdf/QPDF.hh>

namespace vlutil {

// Adds the top-level bookmarks of source, with everything below them, after
// those of target. Call it once source's pages are in target: bookmarks
// that lead to a page then lead to its copy. Bookmarks that lead to a named
// destination of source lead nowhere in target.
void appendOutlines(QPDF& target, QPDF& source);

}  // namespace vlutil
