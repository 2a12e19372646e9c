// The two ways to a mail program on Windows: Simple MAPI through
// "mapi32.dll", loaded at run time and never freed, then Outlook's
// automation interface. Outlook is driven late-bound through IDispatch, so
// no Outlook type library is needed to build.
#include "platform/win32/windows_api.h"

#include <mapi.h>
#include <objbase.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "platform/mail.h"

namespace platform {

namespace {

constexpr LONG kOlMailItem = 0;

template <typename Function>
Function entryPoint(HMODULE library, const char* name) {
  // Through a generic function pointer: FARPROC does not convert to the
  // real signature without a cast-function-type warning.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

struct Mapi {
  LPMAPILOGON logon = nullptr;
  LPMAPISENDMAIL sendMail = nullptr;
  LPMAPILOGOFF logoff = nullptr;
};

// The library and its three entry points; a library that lacks one of them
// counts as no library at all.
bool loadMapi(Mapi* mapi) {
  static HMODULE library = LoadLibraryA("mapi32.dll");
  if (library == nullptr) return false;
  mapi->logon = entryPoint<LPMAPILOGON>(library, "MAPILogon");
  mapi->sendMail = entryPoint<LPMAPISENDMAIL>(library, "MAPISendMail");
  mapi->logoff = entryPoint<LPMAPILOGOFF>(library, "MAPILogoff");
  return mapi->logon != nullptr && mapi->sendMail != nullptr && mapi->logoff != nullptr;
}

// An ANSI text as a newly allocated BSTR; nullptr when there is no memory.
BSTR ansiToBstr(const std::string& text) {
  int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
  std::vector<wchar_t> wide(static_cast<std::size_t>(length) + 1, L'\0');
  if (length > 0)
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), wide.data(), length);
  return SysAllocStringLen(wide.data(), static_cast<UINT>(length));
}

// A reference to a COM object, released when it goes.
template <typename Interface>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() { reset(); }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  Interface** out() {
    reset();
    return &pointer_;
  }
  Interface* get() const { return pointer_; }
  void reset() {
    if (pointer_ != nullptr) pointer_->Release();
    pointer_ = nullptr;
  }

 private:
  Interface* pointer_ = nullptr;
};

// Calls a member of an automation object by name. `arguments` are in the
// order of the member's parameters.
HRESULT invoke(IDispatch* object, const wchar_t* name, WORD kind, std::vector<VARIANT>& arguments,
               VARIANT* result) {
  DISPID member = 0;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &member);
  if (FAILED(hr)) return hr;
  // IDispatch takes the arguments last one first.
  std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
  DISPPARAMS parameters = {};
  parameters.rgvarg = reversed.empty() ? nullptr : reversed.data();
  parameters.cArgs = static_cast<UINT>(reversed.size());
  DISPID named = DISPID_PROPERTYPUT;
  if (kind == DISPATCH_PROPERTYPUT) {
    parameters.rgdispidNamedArgs = &named;
    parameters.cNamedArgs = 1;
  }
  return object->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters, result, nullptr,
                        nullptr);
}

VARIANT missingArgument() {
  VARIANT missing;
  VariantInit(&missing);
  missing.vt = VT_ERROR;
  missing.scode = DISP_E_PARAMNOTFOUND;
  return missing;
}

// The object a call returned, queried for IDispatch; false when the call
// gave none.
bool dispatchOf(VARIANT& value, ComRef<IDispatch>& object) {
  bool ok = value.vt == VT_DISPATCH && value.pdispVal != nullptr &&
            SUCCEEDED(value.pdispVal->QueryInterface(IID_IDispatch,
                                                     reinterpret_cast<void**>(object.out()))) &&
            object.get() != nullptr;
  VariantClear(&value);
  return ok;
}

// Steps 2 to 6 of the Outlook way; false at the first that fails.
bool composeInOutlook(const MailMessage& message) {
  CLSID outlookClass;
  if (FAILED(CLSIDFromProgID(L"Outlook.Application", &outlookClass))) return false;
  ComRef<IDispatch> application;
  if (FAILED(CoCreateInstance(outlookClass, nullptr, CLSCTX_ALL, IID_IDispatch,
                              reinterpret_cast<void**>(application.out()))) ||
      application.get() == nullptr)
    return false;

  VARIANT result;
  VariantInit(&result);
  std::vector<VARIANT> itemType(1);
  VariantInit(&itemType[0]);
  itemType[0].vt = VT_I4;
  itemType[0].lVal = kOlMailItem;
  ComRef<IDispatch> item;
  if (FAILED(invoke(application.get(), L"CreateItem", DISPATCH_METHOD, itemType, &result)) ||
      !dispatchOf(result, item))
    return false;

  std::vector<VARIANT> none;
  ComRef<IDispatch> attachments;
  VariantInit(&result);
  if (FAILED(invoke(item.get(), L"Attachments", DISPATCH_PROPERTYGET, none, &result)) ||
      !dispatchOf(result, attachments))
    return false;

  std::vector<VARIANT> add(4);
  VariantInit(&add[0]);
  add[0].vt = VT_BSTR;
  add[0].bstrVal = ansiToBstr(message.attachment);
  if (add[0].bstrVal == nullptr) return false;
  for (int i = 1; i < 4; ++i) add[i] = missingArgument();  // type, position, display name
  VariantInit(&result);
  HRESULT added = invoke(attachments.get(), L"Add", DISPATCH_METHOD, add, &result);
  VariantClear(&result);  // releases the returned Attachment
  VariantClear(&add[0]);
  if (FAILED(added)) return false;

  std::vector<VARIANT> subject(1);
  VariantInit(&subject[0]);
  subject[0].vt = VT_BSTR;
  subject[0].bstrVal = ansiToBstr(message.subject);
  if (subject[0].bstrVal == nullptr) return false;
  HRESULT put = invoke(item.get(), L"Subject", DISPATCH_PROPERTYPUT, subject, nullptr);
  VariantClear(&subject[0]);
  if (FAILED(put)) return false;

  // Modal left out: the compose window opens and the call returns at once.
  std::vector<VARIANT> display(1, missingArgument());
  VariantInit(&result);
  HRESULT shown = invoke(item.get(), L"Display", DISPATCH_METHOD, display, &result);
  VariantClear(&result);
  return SUCCEEDED(shown);
}

}  // namespace

struct MailWays::State {
  Mapi mapi;
  LHANDLE session = 0;
  bool sessionHeld = false;

  void logoff() {
    if (sessionHeld) mapi.logoff(session, 0, 0, 0);
    sessionHeld = false;
  }
};

MailWays::MailWays() : state_(new State) {}

MailWays::~MailWays() { state_->logoff(); }

int MailWays::count() const { return 2; }

MailOutcome MailWays::tryWay(int index, const MailMessage& message) {
  State& s = *state_;
  if (index == 0) {
    if (!loadMapi(&s.mapi)) return MailOutcome::kNotAvailable;
    if (s.mapi.logon(0, nullptr, nullptr, MAPI_LOGON_UI | MAPI_PASSWORD_UI, 0, &s.session) !=
        SUCCESS_SUCCESS)
      return MailOutcome::kDeclined;
    s.sessionHeld = true;

    std::string path = message.attachment;
    std::string subject = message.subject;
    std::string note = message.note;
    char emptyName[] = "";
    MapiFileDesc file = {};
    file.ulReserved = 0;
    file.flFlags = 0;
    file.nPosition = 1;
    file.lpszPathName = &path[0];
    file.lpszFileName = emptyName;
    file.lpFileType = nullptr;
    MapiMessage mail = {};
    mail.ulReserved = 0;
    mail.lpszSubject = &subject[0];
    mail.lpszNoteText = &note[0];
    mail.flFlags = 0;
    mail.lpOriginator = nullptr;
    mail.nRecipCount = 0;
    mail.lpRecips = nullptr;
    mail.nFileCount = 1;
    mail.lpFiles = &file;
    if (s.mapi.sendMail(s.session, 0, &mail, MAPI_LOGON_UI | MAPI_DIALOG, 0) == SUCCESS_SUCCESS) {
      s.logoff();
      return MailOutcome::kHandedOver;
    }
    // The session stays open while Outlook is tried, as the MAPI client
    // may be Outlook itself.
    return MailOutcome::kNotAvailable;
  }
  if (index == 1) {
    HRESULT com = CoInitialize(nullptr);
    bool composed = composeInOutlook(message);
    s.logoff();
    if (SUCCEEDED(com)) CoUninitialize();
    return composed ? MailOutcome::kHandedOver : MailOutcome::kNotAvailable;
  }
  return MailOutcome::kNotAvailable;
}

}  // namespace platform
