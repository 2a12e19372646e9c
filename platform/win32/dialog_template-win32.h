// A DLGTEMPLATEEX built in memory from a template's data, as the resource
// compiler would have built it from a DIALOGEX resource: the same ids,
// classes, styles and rectangles in dialog units of the 8-point shell font.
#pragma once

#include <vector>

#include "platform/ui.h"
#include "platform/win32/windows_api.h"

namespace platform {

enum class Win32TemplateUse {
  kTopLevel,     // a modal or modeless dialog
  kChild,        // a page inside a tab control
  kSaveAsArea,   // the custom area of the Save As dialog (a child template)
};

// The template's bytes, DWORD-aligned as DialogBoxIndirectParam wants them.
std::vector<DWORD> buildDialogTemplate(const DialogTemplate& source, Win32TemplateUse use);

}  // namespace platform
