// What the stand-in programs share: recording their arguments and writing a
// small valid PDF.
#pragma once

#include <string>
#include <vector>

namespace standin {

// Appends one line to the file named by VELLORA_STANDIN_LOG (nothing when it
// is not set): the arguments separated by tabs, with "\\", "\n" and "\t"
// standing for a backslash, a line break and a tab inside an argument.
void recordArguments(const std::vector<std::string>& arguments);

// The value of an environment variable, or fallback when it is not set.
std::string environment(const char* name, const std::string& fallback = std::string());

// A one-page PDF 1.4 file with a correct cross-reference table.
bool writeOnePagePdf(const std::string& path);

bool fileExists(const std::string& path);

}  // namespace standin
