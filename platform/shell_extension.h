// File-manager context-menu extensions as in-process servers. The platform
// owns the component plumbing (on Windows: the class factory, the
// IShellExtInit and IContextMenu objects, the DLL's exports); an extension
// supplies its behaviour as a ContextMenuHandler and describes its class
// once through inprocServerClass().
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Result codes, numbered as the Windows API numbers them.
using HResult = std::int32_t;
constexpr HResult kSOk = 0;
constexpr HResult kSFalse = 1;
constexpr HResult kEInvalidArg = static_cast<HResult>(0x80070057u);
constexpr HResult kEOutOfMemory = static_cast<HResult>(0x8007000Eu);
constexpr HResult kEPointer = static_cast<HResult>(0x80004003u);
constexpr HResult kENoInterface = static_cast<HResult>(0x80004002u);
constexpr HResult kEFail = static_cast<HResult>(0x80004005u);
constexpr HResult kClassENoAggregation = static_cast<HResult>(0x80040110u);
constexpr HResult kClassEClassNotAvailable = static_cast<HResult>(0x80040111u);

// Flags of the menu requests, numbered as the Windows API numbers them.
constexpr unsigned kCmfDefaultOnly = 0x1;  // only the default item (a double click)
constexpr unsigned kGcsVerbA = 0x0;
constexpr unsigned kGcsHelpTextA = 0x1;
constexpr unsigned kGcsValidateA = 0x2;
constexpr unsigned kGcsUnicode = 0x4;
constexpr unsigned kGcsHelpTextW = kGcsHelpTextA | kGcsUnicode;
constexpr unsigned kGcsVerbW = kGcsVerbA | kGcsUnicode;

// The menu being built.
class MenuSink {
 public:
  virtual ~MenuSink() = default;
  // Inserts a text item before the item at position (InsertMenu by position).
  virtual bool insertItem(unsigned position, unsigned commandId, const std::string& text) = 0;
};

// One extension object: filled from the selection, asked for its items,
// invoked. Each one holds a lock on the module for its lifetime.
class ContextMenuHandler {
 public:
  ContextMenuHandler();
  virtual ~ContextMenuHandler();
  ContextMenuHandler(const ContextMenuHandler&) = delete;
  ContextMenuHandler& operator=(const ContextMenuHandler&) = delete;

  // The selected items, each as read into a buffer of 260 characters.
  virtual HResult initialize(const std::vector<std::string>& selection) = 0;
  // Returns the number of items added (a success code).
  virtual HResult queryContextMenu(MenuSink& menu, unsigned index, unsigned firstCommand,
                                   unsigned lastCommand, unsigned flags) = 0;
  // buffer holds size characters: chars, or 16-bit units with kGcsUnicode.
  virtual HResult getCommandString(std::uintptr_t command, unsigned flags, void* buffer,
                                   unsigned size) = 0;
  // verb: a command offset in its low word, or the address of a verb text.
  virtual HResult invokeCommand(std::uintptr_t verb) = 0;
};

// What an in-process server module holds: one class.
struct InprocServerClass {
  const char* clsid;  // in text form with braces
  std::unique_ptr<ContextMenuHandler> (*create)();
  // Writes (or removes) the registration entries; modulePath is the
  // module's own file.
  HResult (*updateRegistration)(bool registering, const std::string& modulePath);
};

// Defined once by each extension module.
const InprocServerClass& inprocServerClass();

// The module lock count: objects and the class factory's LockServer hold it.
void lockModule();
void unlockModule();
long moduleLockCount();
// kSOk when nothing holds the module, else kSFalse (DllCanUnloadNow).
HResult canUnloadModule();

}  // namespace platform
