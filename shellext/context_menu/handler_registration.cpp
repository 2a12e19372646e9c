#include "shellext/context_menu/handler_registration.h"

#include "common/registry_text.h"
#include "platform/system.h"

namespace vellora {

namespace {

// A registry status as a result code (HRESULT_FROM_WIN32).
platform::HResult fromStatus(long status) {
  if (status == platform::kRegOk) return platform::kSOk;
  return static_cast<platform::HResult>(0x80070000u | (static_cast<unsigned long>(status) & 0xFFFFu));
}

// Creates a key afresh, dropping whatever was there, with its default value.
long replaceKey(const std::string& path, const std::string& value, platform::RegKey* key) {
  long status = platform::registry().DeleteTree(platform::HKCR, path);
  if (status != platform::kRegOk && status != platform::kRegNotFound) return status;
  status = key->create(platform::HKCR, path);
  if (status != platform::kRegOk) return status;
  return key->setString("", value);
}

long removeKey(const std::string& path) {
  long status = platform::registry().DeleteTree(platform::HKCR, path);
  return status == platform::kRegNotFound ? platform::kRegOk : status;
}

long writeEntries(const std::string& fileToken, const HandlerClass& handler,
                  const std::string& modulePath) {
  const std::string classKey = std::string("CLSID\\") + handler.clsid;
  platform::RegKey key;
  long status = key.create(platform::HKCR, "CLSID");
  if (status != platform::kRegOk) return status;
  status = replaceKey(classKey, std::string(handler.name) + " ContextMenu Shell Extension", &key);
  if (status != platform::kRegOk) return status;
  status = key.create(platform::HKCR, classKey + "\\InprocServer32");
  if (status == platform::kRegOk) status = key.setString("", modulePath);
  if (status == platform::kRegOk) status = key.setString("ThreadingModel", "Apartment");
  if (status != platform::kRegOk) return status;
  return replaceKey(fileToken + "\\ShellEx\\ContextMenuHandlers\\" + handler.name, handler.clsid,
                    &key);
}

long removeEntries(const std::string& fileToken, const HandlerClass& handler) {
  long status = removeKey(std::string("CLSID\\") + handler.clsid);
  if (status != platform::kRegOk) return status;
  return removeKey(fileToken + "\\ShellEx\\ContextMenuHandlers\\" + handler.name);
}

void updateApproval(bool registering, const HandlerClass& handler) {
  const platform::OsVersion os = platform::osVersion();
  if (os.platform != platform::kWin32Nt || os.major < 4) return;
  platform::RegKey approved;
  if (registering) {
    if (approved.create(platform::HKLM, kApprovedExtensionsKey) == platform::kRegOk)
      approved.setString(handler.clsid, std::string(handler.name) + " Shell Extension");
  } else if (approved.open(platform::HKLM, kApprovedExtensionsKey, platform::kRegWrite) ==
             platform::kRegOk) {
    approved.deleteValue(handler.clsid);
  }
}

}  // namespace

bool readFileToken(const std::string& key, bool* writable, std::string* token) {
  platform::RegKey handle;
  *writable = handle.open(platform::HKCR, key, platform::kRegWrite) == platform::kRegOk;
  if (!*writable) return false;
  std::string text;
  if (!readKeyText(handle, "", kFileTokenCapacity, &text) || text.empty()) return false;
  *token = text;
  return true;
}

platform::HResult updateHandlerRegistration(bool registering, const std::string& fileToken,
                                            const HandlerClass& handler,
                                            const std::string& modulePath) {
  const long status = registering ? writeEntries(fileToken, handler, modulePath)
                                  : removeEntries(fileToken, handler);
  if (status != platform::kRegOk) return fromStatus(status);
  updateApproval(registering, handler);
  return platform::kSOk;
}

}  // namespace vellora
