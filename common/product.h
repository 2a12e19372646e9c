// The product's fixed names, shared by every program.
#pragma once

namespace vellora {

constexpr const char kProductName[] = "Vellora";
constexpr int kVersionMajor = 2;
constexpr int kVersionMinor = 58;

// HKEY_LOCAL_MACHINE / HKEY_CURRENT_USER key of the product.
constexpr const char kProductKey[] = "SOFTWARE\\Norvale\\Vellora";
// HKEY_LOCAL_MACHINE value naming the product folder.
constexpr const char kAppPathValue[] = "AppPath";
// HKEY_LOCAL_MACHINE value naming the folder of the printers' options files
// when an installation keeps them apart from the product folder.
constexpr const char kOptionsPathValue[] = "OptionsPath";
// HKEY_LOCAL_MACHINE key whose default value names the Acrobat Reader program.
constexpr const char kAcrobatReaderAppPath[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\AcroRd32.exe";

// The programs' file names, without the platform's suffix for programs.
constexpr const char kConverterProgram[] = "vlconv";
constexpr const char kDropProgram[] = "vellora";
// The maker's sibling product: its key (HKEY_LOCAL_MACHINE, value AppPath)
// and program.
constexpr const char kRasmereKey[] = "SOFTWARE\\Norvale\\Rasmere";
constexpr const char kRasmereProgram[] = "rasmere";

}  // namespace vellora
