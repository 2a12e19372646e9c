#include "platform/win32/dialog_template-win32.h"

#include <commctrl.h>

#include <cstring>
#include <string>

namespace platform {

namespace {

// Predefined control classes by their ordinals.
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;
constexpr WORD kComboBoxClass = 0x0085;

// Appends WORDs to a byte image that is later handed over DWORD-aligned.
class Writer {
 public:
  void word(WORD value) { words_.push_back(value); }
  void dword(DWORD value) {
    word(LOWORD(value));
    word(HIWORD(value));
  }
  void shortValue(int value) { word(static_cast<WORD>(static_cast<short>(value))); }
  // A zero-terminated UTF-16 text; the programs' texts are ANSI.
  void text(const char* value) {
    const char* source = value ? value : "";
    int length = MultiByteToWideChar(CP_ACP, 0, source, -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
    if (length > 0) MultiByteToWideChar(CP_ACP, 0, source, -1, &wide[0], length);
    for (wchar_t c : wide) word(static_cast<WORD>(c));
    if (wide.empty() || wide.back() != L'\0') word(0);
  }
  void ordinal(WORD value) {
    word(0xFFFF);
    word(value);
  }
  void alignToDword() {
    if (words_.size() % 2) word(0);
  }
  std::size_t size() const { return words_.size(); }
  void patch(std::size_t at, WORD value) { words_[at] = value; }
  std::vector<DWORD> finish() {
    alignToDword();
    std::vector<DWORD> image(words_.size() / 2);
    std::memcpy(image.data(), words_.data(), words_.size() * sizeof(WORD));
    return image;
  }

 private:
  std::vector<WORD> words_;
};

DWORD controlStyle(const ControlTemplate& c) {
  DWORD style = WS_CHILD;
  if (!(c.style & kStyleHidden)) style |= WS_VISIBLE;
  if (c.style & kStyleDisabled) style |= WS_DISABLED;
  if (c.style & kStyleGroup) style |= WS_GROUP;
  switch (c.kind) {
    case ControlKind::kCheckBox: return style | BS_AUTOCHECKBOX | WS_TABSTOP;
    case ControlKind::kRadioButton: return style | BS_AUTORADIOBUTTON | ((c.style & kStyleGroup) ? WS_TABSTOP : 0);
    case ControlKind::kStatic:
      return style | ((c.style & kStyleCentred) ? SS_CENTER : (c.style & kStyleRight) ? SS_RIGHT : SS_LEFT);
    case ControlKind::kEdit: return style | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
    case ControlKind::kPasswordEdit: return style | ES_AUTOHSCROLL | ES_PASSWORD | WS_BORDER | WS_TABSTOP;
    case ControlKind::kDropDownList:
      return style | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | ((c.style & kStyleSorted) ? CBS_SORT : 0);
    case ControlKind::kPushButton:
      return style | WS_TABSTOP | ((c.style & kStyleDefaultButton) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    case ControlKind::kGroupBox: return style | BS_GROUPBOX;
    case ControlKind::kTabControl: return style | WS_TABSTOP | WS_CLIPSIBLINGS;
    case ControlKind::kProgressBar: return style | WS_BORDER;
    case ControlKind::kBitmap: return style | SS_BITMAP;
  }
  return style;
}

DWORD dialogStyle(const DialogTemplate& source, Win32TemplateUse use) {
  DWORD style = DS_SETFONT | DS_FIXEDSYS;  // DS_SHELLFONT: the shell's dialog font
  if (use != Win32TemplateUse::kTopLevel) {
    style |= WS_CHILD | DS_CONTROL | WS_CLIPSIBLINGS;
    if (use == Win32TemplateUse::kSaveAsArea) style |= WS_VISIBLE | DS_3DLOOK;
    return style;
  }
  style |= WS_POPUP;
  if (source.style & kDialogCaption) style |= WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  if (source.style & kDialogCentred) style |= DS_CENTER;
  if (source.style & kDialogForeground) style |= DS_SETFOREGROUND;
  if (source.style & kDialogVisible) style |= WS_VISIBLE;
  return style;
}

DWORD dialogExStyle(const DialogTemplate& source) {
  DWORD style = 0;
  if (source.style & kDialogTopmost) style |= WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
  if (source.style & kDialogTabIntoChildren) style |= WS_EX_CONTROLPARENT;
  return style;
}

}  // namespace

std::vector<DWORD> buildDialogTemplate(const DialogTemplate& source, Win32TemplateUse use) {
  Writer w;
  w.word(1);       // dlgVer
  w.word(0xFFFF);  // signature: DLGTEMPLATEEX
  w.dword(0);      // helpID
  w.dword(dialogExStyle(source));
  w.dword(dialogStyle(source, use));
  w.word(static_cast<WORD>(source.controlCount));
  w.shortValue(0);
  w.shortValue(0);
  w.shortValue(source.width);
  w.shortValue(source.height);
  w.word(0);  // no menu
  w.word(0);  // the standard dialog class
  w.text(use == Win32TemplateUse::kTopLevel ? source.caption : "");
  w.word(static_cast<WORD>(kDialogFontPoints));
  w.word(FW_NORMAL);
  w.word(MAKEWORD(FALSE, DEFAULT_CHARSET));  // italic, charset
  w.text(kDialogFontName);

  for (std::size_t i = 0; i < source.controlCount; ++i) {
    const ControlTemplate& c = source.controls[i];
    w.alignToDword();
    w.dword(0);  // helpID
    w.dword(c.kind == ControlKind::kEdit || c.kind == ControlKind::kPasswordEdit ? WS_EX_CLIENTEDGE : 0);
    w.dword(controlStyle(c));
    w.shortValue(c.rect.x);
    w.shortValue(c.rect.y);
    w.shortValue(c.rect.width);
    w.shortValue(c.rect.height);
    w.dword(static_cast<DWORD>(c.id));
    switch (c.kind) {
      case ControlKind::kCheckBox:
      case ControlKind::kRadioButton:
      case ControlKind::kPushButton:
      case ControlKind::kGroupBox:
        w.ordinal(kButtonClass);
        break;
      case ControlKind::kEdit:
      case ControlKind::kPasswordEdit:
        w.ordinal(kEditClass);
        break;
      case ControlKind::kStatic:
      case ControlKind::kBitmap:
        w.ordinal(kStaticClass);
        break;
      case ControlKind::kDropDownList:
        w.ordinal(kComboBoxClass);
        break;
      case ControlKind::kTabControl:
        w.text(WC_TABCONTROLA);
        break;
      case ControlKind::kProgressBar:
        w.text(PROGRESS_CLASSA);
        break;
    }
    // A bitmap's title names its resource; lists get their entries later.
    if (c.kind == ControlKind::kBitmap)
      w.ordinal(static_cast<WORD>(c.resource));
    else if (c.kind == ControlKind::kDropDownList || c.kind == ControlKind::kTabControl ||
             c.kind == ControlKind::kProgressBar)
      w.word(0);
    else
      w.text(c.text);
    w.word(0);  // no creation data
  }
  return w.finish();
}

}  // namespace platform
