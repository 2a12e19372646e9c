// The one class of the vlmenu module.
#include <memory>

#include "platform/shell_extension.h"
#include "shellext/vlmenu/convert_menu.h"

namespace platform {

namespace {
std::unique_ptr<ContextMenuHandler> createConvertMenu() {
  return std::unique_ptr<ContextMenuHandler>(new vellora::ConvertMenuExtension);
}
}  // namespace

const InprocServerClass& inprocServerClass() {
  static const InprocServerClass convertMenu = {vellora::kConvertMenuClass.clsid, createConvertMenu,
                                                vellora::updateConvertMenuRegistration};
  return convertMenu;
}

}  // namespace platform
