// Text from the command line. On Linux the arguments arrive in UTF-8; on
// Windows a program started through the ANSI API receives them in the ANSI
// code page, which for the letters in question is WinAnsi (Windows-1252).
#pragma once

#include <string>

namespace vlutil {

// The argument as UTF-8: kept when it is valid UTF-8 (plain ASCII included),
// otherwise read as WinAnsi.
std::string argumentAsUtf8(const std::string& argument);

// The bytes to encrypt with for a password typed as argument. RC4 passwords
// are PDFDocEncoding bytes, which is what a viewer makes of the password its
// user types, so UTF-8 is converted; a password that has no PDFDocEncoding
// form is used as given and *exact is set to false.
std::string rc4Password(const std::string& argument, bool* exact);

}  // namespace vlutil
