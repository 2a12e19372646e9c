// Context-menu extension DLLs as Explorer uses them, for tests of the
// Windows modules: a selection of files as a drop, and the module loaded with
// its exports and class factory.
#pragma once

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/windows_api.h"

#include <objbase.h>
#include <shlobj.h>

#pragma GCC diagnostic push
// COM interfaces have no virtual destructor; these objects live on the stack.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

namespace testsupport {

// CF_HDROP in global memory, a fresh copy for every request.
class DropData : public IDataObject {
 public:
  explicit DropData(std::vector<std::string> paths) : paths_(std::move(paths)) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
      *out = static_cast<IDataObject*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (format->cfFormat != CF_HDROP || !(format->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
    std::string names;
    for (const std::string& path : paths_) names += path + '\0';
    names += '\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size());
    DROPFILES* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(), names.size());
    GlobalUnlock(memory);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

 private:
  std::vector<std::string> paths_;
  ULONG references_ = 1;
};

// A loaded extension module: its exports and the class factory of one class.
class ExtensionModule {
 public:
  using GetClassObjectFunction = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
  using ModuleFunction = HRESULT(WINAPI*)();

  ExtensionModule(const char* path, REFCLSID clsid) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    module = LoadLibraryA(path);
    if (!module) return;
    getClassObject = reinterpret_cast<GetClassObjectFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    canUnloadNow = exported("DllCanUnloadNow");
    registerServer = exported("DllRegisterServer");
    unregisterServer = exported("DllUnregisterServer");
    if (getClassObject)
      getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  }
  ~ExtensionModule() {
    if (factory) factory->Release();
    if (module) FreeLibrary(module);
    CoUninitialize();
  }
  ExtensionModule(const ExtensionModule&) = delete;
  ExtensionModule& operator=(const ExtensionModule&) = delete;

  bool loaded() const {
    return factory && canUnloadNow && registerServer && unregisterServer;
  }
  // A new object filled from a drop of the files; null when it refused them.
  IContextMenu* menuFor(const std::vector<std::string>& files) {
    IShellExtInit* init = nullptr;
    if (FAILED(factory->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&init))))
      return nullptr;
    DropData drop(files);
    IContextMenu* menu = nullptr;
    if (SUCCEEDED(init->Initialize(nullptr, &drop, nullptr)))
      init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu));
    init->Release();
    return menu;
  }
  // Chooses the item at a command offset.
  static HRESULT invoke(IContextMenu* menu, const char* verb) {
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof info;
    info.lpVerb = verb;
    return menu->InvokeCommand(&info);
  }
  // The module's file.
  std::string path() const {
    char file[MAX_PATH] = "";
    GetModuleFileNameA(module, file, MAX_PATH);
    return file;
  }

  HMODULE module = nullptr;
  GetClassObjectFunction getClassObject = nullptr;
  ModuleFunction canUnloadNow = nullptr;
  ModuleFunction registerServer = nullptr;
  ModuleFunction unregisterServer = nullptr;
  IClassFactory* factory = nullptr;

 private:
  ModuleFunction exported(const char* name) {
    return reinterpret_cast<ModuleFunction>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  }
};

}  // namespace testsupport

#pragma GCC diagnostic pop
