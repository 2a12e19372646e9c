// What the drag-and-drop program tells its user.
#pragma once

namespace vellora {

constexpr const char kDropInstalledCaption[] = "Vellora 2.5";
constexpr const char kDropInstalledText[] =
    "Vellora is installed as a virtual print driver.\n"
    "In order to convert documents to PDF, simply print from\n"
    "any application, selecting 'Vellora' as your printer.\n\n"
    "You may also drag and drop files to the Vellora desktop\n"
    "icon, or use the right-click 'Convert with Vellora' command\n"
    "from windows explorer for converting many file types.\n\n"
    "Refer to the Vellora User Guide for more information.";

constexpr const char kDropCaption[] = "Vellora";
constexpr const char kDropNoAssociationText[] =
    "Sorry, this file does not have an associated application registered\n"
    "with windows capable of automated printing.\n"
    "Try manually printing to Vellora from a compatible application.";

// Formats: the path, then as given below.
constexpr const char kDropNotFoundText[] =
    "Vellora cannot find the file\n%s\n\nNothing was converted.";
constexpr const char kDropSeveralFilesText[] =
    "Vellora converts one file at a time, but was given several:\n%s\n\n"
    "Drop the files one by one, or use the right-click 'Convert with Vellora'\n"
    "command, which converts each selected file.";
constexpr const char kDropTooLongText[] =
    "The path of this file is too long for Vellora (at most %d characters):\n%s";
// The service, the path.
constexpr const char kDropDdeTooLongText[] =
    "The path of this file is too long for Vellora to print it through %s:\n%s";
// The path, the service, the service.
constexpr const char kDropDdeUnreachableText[] =
    "Vellora could not print\n%s\nbecause %s did not answer.\n\n"
    "Print the document to 'Vellora' from %s itself.";
// The command, the reason.
constexpr const char kDropConverterFailedText[] =
    "Vellora could not start the converter:\n%s\n\n%s";
// The path, the reason.
constexpr const char kDropPrintFailedText[] = "Vellora could not print\n%s\n\n%s";

}  // namespace vellora
