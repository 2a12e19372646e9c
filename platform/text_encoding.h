// The encoding of the system's own texts (file names, the registry's
// strings, command lines). On Windows it is the ANSI code page the programs
// were written for; on POSIX it is UTF-8. Texts that come from Windows (the
// octal escapes of a printed title, an ANSI .reg file) arrive as Windows-1252
// bytes and are brought into the system's encoding at the edge.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// Whether the system's texts are UTF-8 (and so a character may take more
// than one byte).
extern const bool kTextIsUtf8;

// Text in the ANSI code page as the system's text. Where that is UTF-8, a
// text that already is valid UTF-8 stays as it is and any other is read as
// Windows-1252, byte by byte.
std::string textFromAnsi(const std::string& bytes);
// UTF-8 text as the system's text; characters the system's code page lacks
// become "?".
std::string textFromUtf8(const std::string& utf8);

// Whether bytes are valid UTF-8 (plain ASCII included).
bool isValidUtf8(const std::string& bytes);
// Windows-1252 bytes as UTF-8 (the five bytes the code page leaves unused
// keep their Latin-1 meaning).
std::string windows1252ToUtf8(const std::string& bytes);
// UTF-16 little-endian bytes as UTF-8 (a lone surrogate becomes U+FFFD).
std::string utf16leToUtf8(const std::string& bytes);
// A UTF-8 text with characters that do not fit in one byte of Windows-1252
// replaced by "?", as Windows-1252 bytes.
std::string utf8ToWindows1252(const std::string& utf8);

// The longest start of the system's text of at most `limit` bytes that does
// not end inside a character.
std::size_t textCutPoint(const std::string& text, std::size_t limit);

}  // namespace platform
