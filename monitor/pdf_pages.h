// The page count of a PDF job, for the converter's progress bar.
#pragma once

#include <string>

namespace vellora {
namespace monitor {

// The number of pages of the PDF at path, read with libqpdf; 1 when it
// cannot be read (damaged, encrypted with a password, no PDF at all): the
// converter finds out what is wrong and says so.
int pdfPageCount(const std::string& path);

}  // namespace monitor
}  // namespace vellora
