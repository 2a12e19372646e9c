// The COM plumbing of a context-menu extension DLL, written by hand (MinGW
// has no ATL): the DLL's entry and four exports, a class factory, and
// extension objects that implement IShellExtInit and IContextMenu on top of
// the module's ContextMenuHandler. The objects can stand alone or be
// aggregated into an outer object.
#include <cstdint>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "platform/shell_extension.h"
#include "platform/win32/windows_api.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

// COM interfaces have no virtual destructor by design: an object deletes
// itself in Release, through its own type, never through an interface.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

namespace platform {

namespace {

HMODULE gModule = nullptr;

class MenuOnHandle : public MenuSink {
 public:
  explicit MenuOnHandle(HMENU menu) : menu_(menu) {}
  bool insertItem(unsigned position, unsigned commandId, const std::string& text) override {
    return InsertMenuA(menu_, position, MF_BYPOSITION | MF_STRING, commandId, text.c_str()) !=
           FALSE;
  }

 private:
  HMENU menu_;
};

class ExtensionObject : public IShellExtInit, public IContextMenu {
 public:
  ExtensionObject(IUnknown* outer, std::unique_ptr<ContextMenuHandler> handler)
      : inner_(this), outer_(outer ? outer : &inner_), handler_(std::move(handler)) {}
  virtual ~ExtensionObject() = default;
  ExtensionObject(const ExtensionObject&) = delete;
  ExtensionObject& operator=(const ExtensionObject&) = delete;

  // The object's own IUnknown: the one an aggregating object holds.
  IUnknown* innerUnknown() { return &inner_; }

  // IUnknown, forwarded to the controlling object.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return outer_->QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return outer_->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return outer_->Release(); }

  // IShellExtInit
  HRESULT STDMETHODCALLTYPE Initialize(PCIDLIST_ABSOLUTE, IDataObject* data, HKEY) override {
    if (data == nullptr) return E_INVALIDARG;
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    if (FAILED(data->GetData(&format, &medium))) return E_INVALIDARG;
    HDROP drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
    if (drop == nullptr) {
      ReleaseStgMedium(&medium);
      return E_INVALIDARG;
    }
    std::vector<std::string> selection;
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      // Longer paths are cut by the read.
      char path[MAX_PATH] = "";
      if (DragQueryFileA(drop, i, path, MAX_PATH) > 0) selection.emplace_back(path);
    }
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
    return handler_->initialize(selection);
  }

  // IContextMenu
  HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU menu, UINT index, UINT first, UINT last,
                                             UINT flags) override {
    MenuOnHandle sink(menu);
    return handler_->queryContextMenu(sink, index, first, last, flags);
  }

  HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO* info) override {
    if (info == nullptr) return E_INVALIDARG;
    return handler_->invokeCommand(reinterpret_cast<std::uintptr_t>(info->lpVerb));
  }

  HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR command, UINT flags, UINT*, CHAR* buffer,
                                             UINT size) override {
    if (buffer == nullptr) return E_INVALIDARG;
    return handler_->getCommandString(command, flags, buffer, size);
  }

 private:
  class Inner : public IUnknown {
   public:
    explicit Inner(ExtensionObject* self) : self_(self) {}
    virtual ~Inner() = default;
    Inner(const Inner&) = delete;
    Inner& operator=(const Inner&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
      if (out == nullptr) return E_POINTER;
      *out = nullptr;
      if (IsEqualIID(iid, IID_IUnknown))
        *out = static_cast<IUnknown*>(this);
      else if (IsEqualIID(iid, IID_IShellExtInit))
        *out = static_cast<IShellExtInit*>(self_);
      else if (IsEqualIID(iid, IID_IContextMenu))
        *out = static_cast<IContextMenu*>(self_);
      else
        return E_NOINTERFACE;
      static_cast<IUnknown*>(*out)->AddRef();
      return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
      return static_cast<ULONG>(InterlockedIncrement(&references_));
    }
    ULONG STDMETHODCALLTYPE Release() override {
      const LONG left = InterlockedDecrement(&references_);
      if (left == 0) delete self_;
      return static_cast<ULONG>(left);
    }

   private:
    ExtensionObject* self_;
    LONG references_ = 1;  // the creator's, given up after its first query
  };

  Inner inner_;
  IUnknown* outer_;
  std::unique_ptr<ContextMenuHandler> handler_;
};

class ClassFactory : public IClassFactory {
 public:
  ClassFactory() { InitializeCriticalSection(&lock_); }
  virtual ~ClassFactory() { DeleteCriticalSection(&lock_); }
  ClassFactory(const ClassFactory&) = delete;
  ClassFactory& operator=(const ClassFactory&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory))
      return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    EnterCriticalSection(&lock_);
    const ULONG count = ++references_;
    LeaveCriticalSection(&lock_);
    return count;
  }
  ULONG STDMETHODCALLTYPE Release() override {
    EnterCriticalSection(&lock_);
    const ULONG count = --references_;
    LeaveCriticalSection(&lock_);
    if (count == 0) delete this;
    return count;
  }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    // An aggregating object may only ask for the inner IUnknown.
    if (outer != nullptr && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    std::unique_ptr<ContextMenuHandler> handler = inprocServerClass().create();
    if (!handler) return E_OUTOFMEMORY;
    ExtensionObject* object = new (std::nothrow) ExtensionObject(outer, std::move(handler));
    if (object == nullptr) return E_OUTOFMEMORY;
    IUnknown* inner = object->innerUnknown();
    const HRESULT result = inner->QueryInterface(iid, out);
    inner->Release();
    return result;
  }

  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock)
      lockModule();
    else
      unlockModule();
    return S_OK;
  }

 private:
  CRITICAL_SECTION lock_;
  ULONG references_ = 1;
};

bool ourClass(REFCLSID clsid) {
  std::wstring text;
  for (const char* c = inprocServerClass().clsid; *c != '\0'; ++c)
    text += static_cast<wchar_t>(static_cast<unsigned char>(*c));
  CLSID ours;
  if (FAILED(CLSIDFromString(text.c_str(), &ours))) return false;
  return IsEqualCLSID(clsid, ours) != FALSE;
}

std::string modulePath() {
  char path[MAX_PATH] = "";
  const DWORD length = GetModuleFileNameA(gModule, path, MAX_PATH);
  return std::string(path, length < MAX_PATH ? length : 0);
}

}  // namespace

}  // namespace platform

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    platform::gModule = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllCanUnloadNow() { return platform::canUnloadModule(); }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (!platform::ourClass(clsid)) return CLASS_E_CLASSNOTAVAILABLE;
  platform::ClassFactory* factory = new (std::nothrow) platform::ClassFactory;
  if (factory == nullptr) return E_OUTOFMEMORY;
  const HRESULT result = factory->QueryInterface(iid, out);
  factory->Release();
  return result;
}

STDAPI DllRegisterServer() {
  return platform::inprocServerClass().updateRegistration(true, platform::modulePath());
}

STDAPI DllUnregisterServer() {
  return platform::inprocServerClass().updateRegistration(false, platform::modulePath());
}

}  // extern "C"
