// The one class of the rasmenu module.
#include <memory>

#include "platform/shell_extension.h"
#include "shellext/rasmenu/shellext.h"

namespace platform {

namespace {
std::unique_ptr<ContextMenuHandler> createPdfMenu() {
  return std::unique_ptr<ContextMenuHandler>(new vellora::PdfMenuExtension);
}
}  // namespace

const InprocServerClass& inprocServerClass() {
  static const InprocServerClass pdfMenu = {vellora::kPdfMenuClass.clsid, createPdfMenu,
                                                vellora::updatePdfMenuRegistration};
  return pdfMenu;
}

}  // namespace platform
