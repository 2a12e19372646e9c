// Small text rules every user interface backend follows the same way: how a
// caption reads without its access-key marks, which list entry a typed text
// names, which extension a Save As type adds. Inline, so that a desktop
// module (desktop.h) shares them without linking the platform library.
#pragma once

#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace platform {

inline std::string lowerText(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

inline std::string trimText(const std::string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

// A caption as the user reads it: "&Replace" reads "Replace", "&&" reads "&".
inline std::string readableCaption(const char* caption) {
  std::string out;
  for (const char* p = caption ? caption : ""; *p; ++p) {
    if (*p == '&' && p[1] == '&') ++p;
    else if (*p == '&') continue;
    out += *p;
  }
  return out;
}

// A control named by a script line: "ID", or "TEMPLATE/ID" for a control
// of one page (template 0: the first dialog or page that has the id).
struct ScriptControlName {
  int templateId = 0;
  int id = 0;
};

inline ScriptControlName parseScriptControlName(const std::string& name) {
  ScriptControlName parsed;
  std::string idText = name;
  const std::string::size_type slash = name.find('/');
  if (slash != std::string::npos) {
    parsed.templateId = std::atoi(name.substr(0, slash).c_str());
    idText = name.substr(slash + 1);
  }
  parsed.id = std::atoi(idText.c_str());
  return parsed;
}

// Splits a script value "ID REST" into the id and the rest.
inline void splitFirstWord(const std::string& value, std::string* first, std::string* rest) {
  std::string::size_type blank = value.find_first_of(" \t");
  *first = value.substr(0, blank);
  *rest = blank == std::string::npos ? std::string() : trimText(value.substr(blank));
}

// The entry a user means by `text`: the one that reads so (letter case
// ignored), else the first that begins with it; -1 when none.
inline int findEntryByText(const std::vector<std::string>& entries, const std::string& text) {
  std::string wanted = lowerText(text);
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (lowerText(entries[i]) == wanted) return static_cast<int>(i);
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (lowerText(entries[i]).compare(0, wanted.size(), wanted) == 0) return static_cast<int>(i);
  return -1;
}

// The extension the selected type adds to a name typed without one.
inline std::string typeExtension(const SaveAsRequest& request, int filterIndex) {
  std::string extension;
  if (filterIndex >= 1 && filterIndex <= static_cast<int>(request.filters.size())) {
    const std::string& pattern = request.filters[static_cast<std::size_t>(filterIndex - 1)].pattern;
    std::string::size_type dot = pattern.find('.');
    if (dot != std::string::npos) extension = pattern.substr(dot + 1);
    std::string::size_type semicolon = extension.find(';');
    if (semicolon != std::string::npos) extension.erase(semicolon);
  }
  if (extension.empty() || extension.find('*') != std::string::npos)
    extension = request.defaultExtension;
  return extension;
}

// A chosen name as the Save As dialog hands it on: with the type's
// extension when the name's last part has none.
inline std::string withTypeExtension(const std::string& path, const SaveAsRequest& request,
                                     int filterIndex) {
  std::string::size_type slash = path.find_last_of("/\\");
  std::string leaf = slash == std::string::npos ? path : path.substr(slash + 1);
  if (leaf.find('.') != std::string::npos) return path;
  std::string extension = typeExtension(request, filterIndex);
  return extension.empty() ? path : path + "." + extension;
}

// ---------------------------------------------------------------------------
// Message boxes

// The buttons of a box, left to right, as Windows shows them.
inline std::vector<int> messageBoxButtons(unsigned flags) {
  switch (flags & kMbButtonMask) {
    case kMbOkCancel: return {kIdOk, kIdCancel};
    case kMbAbortRetryIgnore: return {kIdAbort, kIdRetry, kIdIgnore};
    case kMbYesNoCancel: return {kIdYes, kIdNo, kIdCancel};
    case kMbYesNo: return {kIdYes, kIdNo};
    case kMbRetryCancel: return {kIdRetry, kIdCancel};
    default: return {kIdOk};
  }
}

// The button a box takes when the user just presses Enter.
inline int defaultMessageBoxButton(unsigned flags) {
  std::vector<int> buttons = messageBoxButtons(flags);
  std::size_t index = (flags & kMbDefButton3) ? 2 : (flags & kMbDefButton2) ? 1 : 0;
  return index < buttons.size() ? buttons[index] : buttons[0];
}

// The answer nobody could regret: it neither replaces, joins nor sends.
inline int safeMessageBoxButton(unsigned flags) {
  switch (flags & kMbButtonMask) {
    case kMbOkCancel:
    case kMbYesNoCancel:
    case kMbRetryCancel:
      return kIdCancel;
    case kMbYesNo:
      return kIdNo;
    case kMbAbortRetryIgnore:
      return kIdAbort;
    default:
      return kIdOk;
  }
}

// What closing the box (Escape, the close box) answers: Cancel where there
// is one, OK in a box with OK alone; 0 where Windows does not let the box be
// closed that way.
inline int closedMessageBoxButton(unsigned flags) {
  for (int id : messageBoxButtons(flags))
    if (id == kIdCancel) return kIdCancel;
  return (flags & kMbButtonMask) == kMbOk ? kIdOk : 0;
}

struct MessageBoxButtonName {
  int id;
  const char* name;     // in scripts and records
  const char* caption;  // on the button, "&" before the access key
};

constexpr MessageBoxButtonName kMessageBoxButtonNames[] = {
    {kIdOk, "ok", "&OK"},           {kIdCancel, "cancel", "&Cancel"},
    {kIdAbort, "abort", "&Abort"},  {kIdRetry, "retry", "&Retry"},
    {kIdIgnore, "ignore", "&Ignore"}, {kIdYes, "yes", "&Yes"},
    {kIdNo, "no", "&No"},
};

inline const MessageBoxButtonName* messageBoxButtonName(int id) {
  for (const auto& b : kMessageBoxButtonNames)
    if (b.id == id) return &b;
  return nullptr;
}

// The button a script's word names ("yes", "No"...); 0 when none.
inline int messageBoxButtonByName(const std::string& word) {
  std::string wanted = lowerText(trimText(word));
  for (const auto& b : kMessageBoxButtonNames)
    if (wanted == b.name) return b.id;
  return 0;
}

// The record's line for a box shown and answered.
inline std::vector<std::string> messageBoxRecord(const std::string& text,
                                                 const std::string& caption, unsigned flags,
                                                 int answer) {
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned rest = flags; rest || hex.empty(); rest >>= 4) hex.insert(hex.begin(), kHex[rest & 0xF]);
  const MessageBoxButtonName* name = messageBoxButtonName(answer);
  return {"message", "0x" + hex, caption, text, name ? name->name : "?"};
}

}  // namespace platform
