// The job's title comment in the form the converter reads. A Windows
// PostScript driver writes "%%Title: Quarterly Report"; CUPS's filters
// write the title as a PostScript string, "%%Title: (Quarterly Report)",
// which the converter would take with its parentheses into the file name.
// The monitor writes such a title as plain text into its spool file; the
// PostScript itself is not touched.
#pragma once

#include <string>

namespace vellora {
namespace monitor {

// The text of a title value that is one PostScript string ("(a \(b\))"
// gives "a (b)"); any other value as it stands. Octal escapes stay, the
// converter decodes them.
std::string plainTitleValue(const std::string& value);

// The job's first bytes (its header) with its first "%%Title:" line
// rewritten by plainTitleValue; the bytes unchanged when there is none.
std::string withPlainTitle(const std::string& head);

}  // namespace monitor
}  // namespace vellora
