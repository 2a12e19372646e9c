// The message texts of interpreter discovery, with their string-table ids.
// The converter's string table refers to these constants so that both
// programs show the same words.
#pragma once

namespace vellora {

constexpr int kTextProductNameId = 1;
constexpr const char kTextProductName[] = "Vellora";

constexpr int kTextInterpreterMissingId = 12;
constexpr const char kTextInterpreterMissing[] =
    "Could not find PostScript Interpreter defined in settings.\n"
    "Please check your settings under Advanced Options.. Application.";

constexpr int kTextNoneFoundId = 90;
constexpr const char kTextNoneFound[] = "None Found (Write Postscript Files)";

constexpr int kTextNoneId = 91;
constexpr const char kTextNone[] = "None (Write Postscript Files)";

constexpr int kTextNoInterpreterNoticeId = 92;
constexpr const char kTextNoInterpreterNotice[] =
    "A Postscript interpreter was not found on your system.\n"
    "Vellora will now be configured to create raw Postscript files.\n"
    "\n"
    "In order to Create PDF files, you will need a Postscript interpreter.\n"
    "A free interpreter can optionally be installed following the end of the\n"
    "Vellora installation.  If you did not select this option at install time,\n"
    "a free interpreter installer package is available in the Vellora\n"
    "program directory, or from our web site.  Vellora is also compatible\n"
    "with most versions of Adobe Acrobat and Ghostscript and will\n"
    "automatically detect these on your system, making them available\n"
    "for use under the advanced options-application tab.\n"
    "\n"
    "Please refer to the User Guide for more information.";

}  // namespace vellora
