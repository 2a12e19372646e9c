// Registering a context-menu extension: its class under CLSID, its handler
// key under the file type it serves, and on NT systems its approval.
#pragma once

#include <cstddef>
#include <string>

#include "platform/registry.h"
#include "platform/shell_extension.h"

namespace vellora {

struct HandlerClass {
  const char* clsid;  // text form with braces
  const char* name;   // the handler's name: "vlmenu"
};

// HKEY_LOCAL_MACHINE key of the shell extensions an administrator approved.
constexpr const char kApprovedExtensionsKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
// Capacity of the file-type token read from the registry.
constexpr std::size_t kFileTokenCapacity = 40;

// The default value of an HKEY_CLASSES_ROOT key opened for writing, when it
// fits the token's capacity and is not empty. *writable tells whether the
// key could be opened for writing at all.
bool readFileToken(const std::string& key, bool* writable, std::string* token);

// Writes or removes the entries of a handler for the file type `fileToken`:
//   CLSID\{clsid}                       "<name> ContextMenu Shell Extension",
//                                       replaced whole; removed whole
//   CLSID\{clsid}\InprocServer32        the module's path, ThreadingModel
//                                       "Apartment"
//   <fileToken>\ShellEx\ContextMenuHandlers\<name>   the CLSID; replaced
//                                       whole; removed
// "CLSID", the file type's key and the keys between stay. On NT systems
// from version 4 the value named by the CLSID under kApprovedExtensionsKey
// is set to "<name> Shell Extension" or deleted; failures there are not
// reported. The first failing write gives its error as a result code.
platform::HResult updateHandlerRegistration(bool registering, const std::string& fileToken,
                                            const HandlerClass& handler,
                                            const std::string& modulePath);

}  // namespace vellora
