// The record of what a user interface showed (VELLORA_UI_LOG; its events are
// listed in scripted_ui/scripted_ui.h) and of what the stand-in programs were
// started with: one event per line, its fields separated by a tab; in a
// field a backslash is written "\\", a line break "\n" and a tab "\t".
// Portable C++ only, so that programs which link nothing else of the
// platform can write it too.
#pragma once

#include <string>
#include <vector>

namespace platform {

std::string escapeRecordField(const std::string& text);
std::string unescapeRecordField(const std::string& text);
// The fields escaped and joined by tabs, without a line break.
std::string recordLine(const std::vector<std::string>& fields);
// Appends `line` and a line break to the file in one write, so that lines
// of processes writing to the same record never interleave. False when the
// file cannot be written.
bool appendRecordLine(const std::string& path, const std::string& line);

}  // namespace platform
