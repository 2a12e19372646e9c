// The converter's dialog templates, as data: every control with its id,
// class, text, style and place in dialog units. Desktop backends build real
// windows from them; the scripted one keeps their controls' state.
#pragma once

#include "platform/ui.h"

namespace vellora {

// The Save PDF dialog's custom area, below the system's Save As controls.
extern const platform::DialogTemplate kSaveCustomTemplate;     // 101
// The four option pages, in tab order.
extern const platform::DialogTemplate kGeneralPageTemplate;    // 125
extern const platform::DialogTemplate kSecurityPageTemplate;   // 128
extern const platform::DialogTemplate kDisplayPageTemplate;    // 126
extern const platform::DialogTemplate kApplicationPageTemplate;  // 129
// The small windows.
extern const platform::DialogTemplate kProgressTemplate;       // 103
extern const platform::DialogTemplate kFileExistsTemplate;     // 142
extern const platform::DialogTemplate kPasswordTemplate;       // 143
extern const platform::DialogTemplate kStatusTemplate;         // 144
extern const platform::DialogTemplate kProfileNameTemplate;    // 149

// The custom area's rows shown in the dialog's compact form, in dialog units.
constexpr int kCompactRows = 40;

}  // namespace vellora
