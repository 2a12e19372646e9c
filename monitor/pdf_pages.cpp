#include "monitor/pdf_pages.h"

#include <exception>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include "monitor/page_count.h"

namespace vellora {
namespace monitor {

int pdfPageCount(const std::string& path) {
  try {
    QPDF pdf;
    // A damaged document's complaints are the converter's to report.
    pdf.setSuppressWarnings(true);
    pdf.processFile(path.c_str());
    const std::size_t pages = QPDFPageDocumentHelper(pdf).getAllPages().size();
    if (pages == 0) return 1;
    return pages > static_cast<std::size_t>(PageCounter::kMaxPages) ? PageCounter::kMaxPages
                                                                     : static_cast<int>(pages);
  } catch (const std::exception&) {
    return 1;
  }
}

}  // namespace monitor
}  // namespace vellora
