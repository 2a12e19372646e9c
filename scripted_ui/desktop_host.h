// The program's side of a desktop backend in a program that carries the
// scripted windows: the record of what the real windows showed
// (VELLORA_UI_LOG) and, in a build whose tests run, the script that drives
// them (VELLORA_DESKTOP_SCRIPT, VELLORA_DESKTOP_SHOTS). See platform/desktop.h.
#pragma once

#include "platform/desktop.h"

namespace platform {

// It reads the environment anew at each call; the object stays the same.
DesktopHost& desktopHost();

}  // namespace platform
