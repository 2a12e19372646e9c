// A program that can be run unattended (its questions answered by the script
// VELLORA_UI_SCRIPT names, what it showed kept in VELLORA_UI_LOG) calls this
// at its start, before its first platform::ui().
#pragma once

namespace platform {

void installScriptedBackend();

}  // namespace platform
