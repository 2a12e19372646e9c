// vlmenu: "Convert with Vellora" on every file; it starts the drop program
// once for each selected file.
#pragma once

#include <string>

#include "shellext/context_menu/handler_registration.h"
#include "shellext/context_menu/menu_extension.h"

namespace vellora {

constexpr HandlerClass kConvertMenuClass = {"{5B1E7C42-9A3D-4F68-B2C1-7E04D9A36F15}", "vlmenu"};

// String ids of the module's string table.
enum ConvertMenuString { kConvertMenuText = 1, kConvertMenuHelp = 2, kConvertMenuProject = 100 };
// The command kind of "Convert with Vellora".
constexpr int kConvertCommand = kConvertMenuText;

class ConvertMenuExtension : public MenuExtension {
 public:
  ConvertMenuExtension();

 protected:
  bool takes(const std::string& path) const override;
  unsigned insertPosition(unsigned index) const override;
  platform::HResult run(int kind) override;
};

// The registration update of the module: the handler goes under the file
// type token that HKEY_CLASSES_ROOT\* names ("*" itself as a rule).
// kEInvalidArg when that key cannot be opened for writing.
platform::HResult updateConvertMenuRegistration(bool registering, const std::string& modulePath);

}  // namespace vellora
