// The dialog templates built in memory, read back the way the dialog
// manager reads a DLGTEMPLATEEX, and (where windows can be made) turned
// into a real dialog.
#include "platform/win32/dialog_template-win32.h"

#include <commctrl.h>

#include <iterator>
#include <string>

#include <gtest/gtest.h>

namespace {

using platform::ControlKind;
using platform::ControlTemplate;
using platform::DialogTemplate;

const ControlTemplate kControls[] = {
    {1000, ControlKind::kCheckBox, "&View", platform::kStyleGroup, {4, 3, 120, 11}, 0},
    {1005, ControlKind::kDropDownList, "", platform::kStyleSorted, {206, 2, 70, 66}, 0},
    {1043, ControlKind::kBitmap, "", platform::kStyleNone, {156, 23, 20, 20}, 139},
    {1083, ControlKind::kCheckBox, "Hidden", platform::kStyleHidden | platform::kStyleDisabled,
     {8, 110, 248, 10}, 0},
    {1020, ControlKind::kTabControl, "", platform::kStyleNone, {4, 80, 268, 151}, 0},
    {1044, ControlKind::kPushButton, "&OK", platform::kStyleDefaultButton, {53, 48, 50, 14}, 0},
};
const DialogTemplate kDialog = {142, "test", "Vellora",
                                platform::kDialogCaption | platform::kDialogCentred |
                                    platform::kDialogTopmost,
                                282, 235, kControls, std::size(kControls)};

// Reads a template the way the dialog manager does.
class Reader {
 public:
  explicit Reader(const std::vector<DWORD>& image)
      : words_(reinterpret_cast<const WORD*>(image.data())), end_(image.size() * 2) {}
  WORD word() { return at_ < end_ ? words_[at_++] : 0; }
  DWORD dword() {
    DWORD low = word();
    return low | (static_cast<DWORD>(word()) << 16);
  }
  std::string text() {
    std::string out;
    for (WORD c = word(); c != 0; c = word()) out += static_cast<char>(c);
    return out;
  }
  // A class or title: an ordinal ("#n") or a text.
  std::string nameOrOrdinal() {
    if (words_[at_] == 0xFFFF) {
      ++at_;
      return "#" + std::to_string(word());
    }
    return text();
  }
  void alignToDword() { at_ += at_ % 2; }
  std::size_t position() const { return at_; }

 private:
  const WORD* words_;
  std::size_t end_;
  std::size_t at_ = 0;
};

struct Item {
  DWORD exStyle, style;
  short x, y, width, height;
  DWORD id;
  std::string windowClass, title;
};

TEST(DialogTemplateImage, ReadsBackAsTheDialogManagerReadsIt) {
  std::vector<DWORD> image = platform::buildDialogTemplate(kDialog, platform::Win32TemplateUse::kTopLevel);
  Reader r(image);
  EXPECT_EQ(r.word(), 1);       // dlgVer
  EXPECT_EQ(r.word(), 0xFFFF);  // signature
  r.dword();                    // helpID
  DWORD exStyle = r.dword();
  DWORD style = r.dword();
  EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
  EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | DS_CENTER | DS_SETFONT),
            static_cast<DWORD>(WS_POPUP | WS_CAPTION | DS_CENTER | DS_SETFONT));
  EXPECT_EQ(r.word(), std::size(kControls));
  r.word();
  r.word();
  EXPECT_EQ(r.word(), 282);
  EXPECT_EQ(r.word(), 235);
  EXPECT_EQ(r.nameOrOrdinal(), "");  // menu
  EXPECT_EQ(r.nameOrOrdinal(), "");  // class
  EXPECT_EQ(r.text(), "Vellora");
  EXPECT_EQ(r.word(), 8);  // points
  r.word();                // weight
  r.word();                // italic, charset
  EXPECT_EQ(r.text(), "MS Shell Dlg");

  std::vector<Item> items;
  for (std::size_t i = 0; i < std::size(kControls); ++i) {
    r.alignToDword();
    Item item;
    r.dword();
    item.exStyle = r.dword();
    item.style = r.dword();
    item.x = static_cast<short>(r.word());
    item.y = static_cast<short>(r.word());
    item.width = static_cast<short>(r.word());
    item.height = static_cast<short>(r.word());
    item.id = r.dword();
    item.windowClass = r.nameOrOrdinal();
    item.title = r.nameOrOrdinal();
    EXPECT_EQ(r.word(), 0) << "no creation data";
    items.push_back(item);
  }
  EXPECT_LE(r.position(), image.size() * 2) << "the items fit the image";

  EXPECT_EQ(items[0].id, 1000u);
  EXPECT_EQ(items[0].windowClass, "#128");  // BUTTON
  EXPECT_EQ(items[0].title, "&View");
  EXPECT_EQ(items[0].style & 0xF, static_cast<DWORD>(BS_AUTOCHECKBOX));
  EXPECT_TRUE(items[0].style & WS_GROUP);
  EXPECT_TRUE(items[0].style & WS_VISIBLE);
  EXPECT_EQ(items[0].x, 4);
  EXPECT_EQ(items[0].height, 11);
  EXPECT_EQ(items[1].windowClass, "#133");  // COMBOBOX
  EXPECT_TRUE(items[1].style & CBS_DROPDOWNLIST);
  EXPECT_TRUE(items[1].style & CBS_SORT);
  EXPECT_EQ(items[1].height, 66) << "a drop-down list's height includes its list";
  EXPECT_EQ(items[2].windowClass, "#130");  // STATIC
  EXPECT_EQ(items[2].title, "#139") << "the bitmap resource";
  EXPECT_EQ(items[2].style & SS_TYPEMASK, static_cast<DWORD>(SS_BITMAP));
  EXPECT_FALSE(items[3].style & WS_VISIBLE);
  EXPECT_TRUE(items[3].style & WS_DISABLED);
  EXPECT_EQ(items[4].windowClass, WC_TABCONTROLA);
  EXPECT_EQ(items[5].style & 0xF, static_cast<DWORD>(BS_DEFPUSHBUTTON));
}

TEST(DialogTemplateImage, AChildTemplateHasNoFrameAndNoCaption) {
  std::vector<DWORD> image = platform::buildDialogTemplate(kDialog, platform::Win32TemplateUse::kSaveAsArea);
  Reader r(image);
  r.word();
  r.word();
  r.dword();
  r.dword();
  DWORD style = r.dword();
  EXPECT_TRUE(style & WS_CHILD);
  EXPECT_TRUE(style & DS_CONTROL);
  EXPECT_FALSE(style & WS_CAPTION);
  EXPECT_FALSE(style & WS_POPUP);
  for (int i = 0; i < 5; ++i) r.word();
  r.nameOrOrdinal();
  r.nameOrOrdinal();
  EXPECT_EQ(r.text(), "") << "a child dialog shows no caption";
}

TEST(DialogTemplateImage, TheDialogManagerMakesEveryControl) {
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&classes);
  std::vector<DWORD> image = platform::buildDialogTemplate(kDialog, platform::Win32TemplateUse::kTopLevel);
  HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                           reinterpret_cast<LPCDLGTEMPLATEA>(image.data()), nullptr,
                                           [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
  if (!dialog) GTEST_SKIP() << "no desktop to make windows on (error " << GetLastError() << ")";
  for (const ControlTemplate& c : kControls) EXPECT_NE(GetDlgItem(dialog, c.id), nullptr) << c.id;
  char caption[64] = "";
  GetWindowTextA(dialog, caption, sizeof caption);
  EXPECT_STREQ(caption, "Vellora");
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, 1083)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, 1083)));
  DestroyWindow(dialog);
}

}  // namespace
