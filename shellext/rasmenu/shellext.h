// rasmenu: "Open with Rasmere" on PDF files; it starts the sibling product
// Rasmere once with every selected PDF file on its command line.
#pragma once

#include <string>
#include <vector>

#include "shellext/context_menu/handler_registration.h"
#include "shellext/context_menu/menu_extension.h"

namespace vellora {

constexpr HandlerClass kPdfMenuClass = {"{8E2D4A91-3C7B-4B0E-A5F6-19C8D2E7B304}", "rasmenu"};

// String ids of the module's string table.
enum PdfMenuString { kPdfMenuProject = 100, kPdfMenuText = 101, kPdfMenuHelp = 102 };
// The command kind of "Open with Rasmere".
constexpr int kOpenWithRasmereCommand = kPdfMenuText;

// Capacity of Rasmere's command line and of its argument text.
constexpr std::size_t kRasmereCommandCapacity = 780;

class PdfMenuExtension : public MenuExtension {
 public:
  PdfMenuExtension();

 protected:
  bool takes(const std::string& path) const override;
  unsigned insertPosition(unsigned index) const override;
  platform::HResult run(int kind) override;
};

// Rasmere's command lines for the files, each file in double quotes after a
// blank: one command as a rule; when the files do not fit one command of
// 780 characters, as many commands as they need, never cutting a path.
std::vector<std::string> rasmereCommands(const std::string& program,
                                         const std::vector<std::string>& files);

// The registration update of the module: the handler goes under the program
// id that ".pdf" names. kEInvalidArg when ".pdf" cannot be opened for
// writing or names no program id.
platform::HResult updatePdfMenuRegistration(bool registering, const std::string& modulePath);

}  // namespace vellora
