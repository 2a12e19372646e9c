// Whether the user who printed sits at a desktop, and how to reach it: the
// display variables of one of the user's own running programs that has
// them. A job of a user without a desktop is converted without windows.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace vellora {
namespace monitor {

// The variables a program needs to show windows on the user's desktop.
extern const char* const kDesktopVariables[];

// NAME=value entries of the desktop variables, taken from a process of the
// user's that has DISPLAY or WAYLAND_DISPLAY set (a local display before a
// forwarded one); empty when the user has no desktop session.
std::vector<std::string> desktopSessionOf(uid_t uid);

// The desktop variables among a process's environment entries; empty when
// it names no display.
std::vector<std::string> desktopVariablesIn(const std::vector<std::string>& environment);

}  // namespace monitor
}  // namespace vellora
