#include "converter/ui/dialog_templates.h"

#include <iterator>

#include "converter/ui/dialog_ids.h"

namespace vellora {

namespace {

using platform::ControlKind;
using platform::ControlTemplate;
using platform::DialogTemplate;

constexpr ControlKind kCheck = ControlKind::kCheckBox;
constexpr ControlKind kRadio = ControlKind::kRadioButton;
constexpr ControlKind kLabel = ControlKind::kStatic;
constexpr ControlKind kEdit = ControlKind::kEdit;
constexpr ControlKind kPassword = ControlKind::kPasswordEdit;
constexpr ControlKind kList = ControlKind::kDropDownList;
constexpr ControlKind kButton = ControlKind::kPushButton;
constexpr ControlKind kGroup = ControlKind::kGroupBox;

constexpr unsigned kNone = platform::kStyleNone;
constexpr unsigned kHidden = platform::kStyleHidden;
constexpr unsigned kCentred = platform::kStyleCentred;
constexpr unsigned kRight = platform::kStyleRight;
constexpr unsigned kDefault = platform::kStyleDefaultButton;
constexpr unsigned kStartsGroup = platform::kStyleGroup;

constexpr unsigned kModalStyle =
    platform::kDialogCaption | platform::kDialogCentred | platform::kDialogForeground;

// A drop-down list's height includes its opened list.
const ControlTemplate kSaveCustomControls[] = {
    {kViewResultBox, kCheck, "Open file in associated &viewer", kStartsGroup, {4, 3, 120, 11}, 0},
    {kEmailResultBox, kCheck, "Send file as email &attachment", kNone, {4, 18, 116, 8}, 0},
    {kAdvancedBox, kCheck, "Display Advanced &Options", kNone, {4, 31, 100, 8}, 0},
    {kQualityLabel, kLabel, "PDF Quality", kRight, {145, 2, 53, 12}, 0},
    {kQualityList, kList, "", kNone, {206, 2, 70, 66}, 0},
    {kQualityImage, ControlKind::kBitmap, "", kNone, {156, 23, 20, 20}, kQualityBitmap},
    {kProfileGroup, kGroup, "Profiles", kNone, {4, 46, 268, 29}, 0},
    {kSaveProfileButton, kButton, "Save Current", kNone, {10, 57, 56, 12}, 0},
    {kDefaultProfileButton, kButton, "Default", kNone, {75, 57, 43, 12}, 0},
    {kProfileList, kList, "", kNone, {119, 57, 113, 54}, 0},
    {kDeleteProfileButton, kButton, "Del", kNone, {238, 57, 29, 12}, 0},
    {kOptionTabs, ControlKind::kTabControl, "", kNone, {4, 80, 268, 151}, 0},
};

const ControlTemplate kGeneralPageControls[] = {
    {kPdfLevelLabel, kLabel, "PDF Compatibility", kNone, {8, 10, 70, 8}, 0},
    {kPdfLevelList, kList, "", kNone, {82, 8, 110, 60}, 0},
    {kTitleLabel, kLabel, "Title:", kNone, {8, 32, 40, 8}, 0},
    {kTitleEdit, kEdit, "", kNone, {52, 30, 203, 12}, 0},
    {kSubjectLabel, kLabel, "Subject:", kNone, {8, 50, 40, 8}, 0},
    {kSubjectEdit, kEdit, "", kNone, {52, 48, 203, 12}, 0},
    {kAuthorLabel, kLabel, "Author:", kNone, {8, 68, 40, 8}, 0},
    {kAuthorEdit, kEdit, "", kNone, {52, 66, 203, 12}, 0},
    {kKeywordsLabel, kLabel, "Keywords:", kNone, {8, 86, 40, 8}, 0},
    {kKeywordsEdit, kEdit, "", kNone, {52, 84, 203, 12}, 0},
};

const ControlTemplate kSecurityPageControls[] = {
    {kEncryptionGroup, kGroup, "Encryption Level", kNone, {6, 4, 124, 48}, 0},
    {kNoEncryptionRadio, kRadio, "None", kStartsGroup, {12, 15, 112, 10}, 0},
    {kEncryption40Radio, kRadio, "40 Bit - Acrobat 3+", kNone, {12, 26, 112, 10}, 0},
    {kEncryption128Radio, kRadio, "128 Bit - Acrobat 4+", kNone, {12, 37, 112, 10}, 0},
    {kPasswordGroup, kGroup, "Passwords", kStartsGroup, {134, 4, 123, 48}, 0},
    {kUserPasswordLabel, kLabel, "Password to View:", kNone, {139, 16, 66, 8}, 0},
    {kUserPasswordEdit, kPassword, "", kNone, {206, 14, 46, 12}, 0},
    {kOwnerPasswordLabel, kLabel, "Password to Change:", kNone, {139, 34, 66, 8}, 0},
    {kOwnerPasswordEdit, kPassword, "", kNone, {206, 32, 46, 12}, 0},
    {kPermissionGroup, kGroup, "Permissions", kNone, {6, 56, 124, 75}, 0},
    {kAllowPrintingBox, kCheck, "Allow Printing", kNone, {11, 67, 117, 10}, 0},
    {kAllowCopyPasteBox, kCheck, "Allow Copy and Paste", kNone, {11, 82, 117, 10}, 0},
    {kAllowModifyContentBox, kCheck, "Allow Modification of Content", kNone, {11, 97, 117, 10}, 0},
    {kAllowModifyAnnotationsBox, kCheck, "Allow Modification of Annotations", kNone,
     {11, 112, 117, 10}, 0},
    {kPermission128Group, kGroup, "Permissions (128 bit only)", kNone, {134, 56, 123, 75}, 0},
    {kAllowScreenReadingBox, kCheck, "Allow Screen Reading", kNone, {139, 67, 116, 10}, 0},
    {kAllowAssemblyBox, kCheck, "Allow Assembly", kNone, {139, 82, 116, 10}, 0},
    {kAllowDegradedPrintingBox, kCheck, "Allow Degraded Printing", kNone, {139, 97, 116, 10}, 0},
    {kAllowFillInBox, kCheck, "Allow Fill In", kNone, {139, 112, 116, 10}, 0},
};

const ControlTemplate kDisplayPageControls[] = {
    {kStationeryLabel, kLabel, "Stationery", kNone, {8, 9, 44, 8}, 0},
    {kStationeryList, kList, "", kNone, {56, 7, 130, 80}, 0},
    {kWatermarkBox, kCheck, "Apply stationery as transparent watermark", kNone,
     {56, 22, 190, 10}, 0},
    {kAutoRotateLabel, kLabel, "Auto-Rotate", kNone, {8, 39, 44, 8}, 0},
    {kAutoRotateList, kList, "", kNone, {56, 37, 90, 60}, 0},
    {kViewerGroup, kGroup, "Viewer Preferences", kNone, {6, 55, 251, 76}, 0},
    {kZoomLabel, kLabel, "Zoom", kNone, {12, 69, 32, 8}, 0},
    {kZoomList, kList, "", kNone, {46, 67, 82, 100}, 0},
    {kLayoutLabel, kLabel, "Layout", kNone, {12, 87, 32, 8}, 0},
    {kLayoutList, kList, "", kNone, {46, 85, 82, 70}, 0},
    {kMenuLabel, kLabel, "Menu", kNone, {12, 105, 32, 8}, 0},
    {kMenuList, kList, "", kNone, {46, 103, 82, 60}, 0},
    {kFullScreenBox, kCheck, "Full Screen Display", kNone, {140, 67, 112, 10}, 0},
    {kHideMenuBarBox, kCheck, "Hide Menubar", kNone, {140, 81, 112, 10}, 0},
    {kHideToolBarBox, kCheck, "Hide Toolbar", kNone, {140, 95, 112, 10}, 0},
    {kShowTitleBox, kCheck, "Show PDF title", kNone, {140, 109, 112, 10}, 0},
};

const ControlTemplate kApplicationPageControls[] = {
    {kProductLine, kLabel, "Vellora Document Creator", kCentred, {6, 6, 252, 10}, 0},
    {kVersionLine, kLabel, "Version %d.%d  build %s", kCentred, {6, 18, 252, 8}, 0},
    {kInterpreterLabel, kLabel, "Selected Postscript Interpreter: ", kNone, {8, 36, 160, 8}, 0},
    {kInterpreterList, kList, "", kNone, {8, 46, 248, 80}, 0},
    {kAutoNameBox, kCheck, "Use print job title for auto-naming suggestion", kNone,
     {8, 68, 248, 10}, 0},
    {kRememberLastBox, kCheck, "Remember settings from last conversion", kNone, {8, 82, 248, 10}, 0},
    {kClipboardBox, kCheck, "Copy new filename and path to clipboard", kNone, {8, 96, 248, 10}, 0},
    {kHideProfilesBox, kCheck, "Hide Vellora Profile options", kHidden, {8, 110, 248, 10}, 0},
};

const ControlTemplate kProgressControls[] = {
    {kProgressImage, ControlKind::kBitmap, "", kNone, {1, 0, 208, 36}, kProgressBanner},
    {kProgressBar, ControlKind::kProgressBar, "", kNone, {0, 38, 210, 12}, 0},
    {kProgressText, kLabel, "Creating Document", kCentred, {34, 55, 141, 10}, 0},
};

const ControlTemplate kFileExistsControls[] = {
    {kFileExistsText, kLabel,
     "A file by this name already exists.  What would you like to do?", kCentred,
     {7, 8, 218, 18}, 0},
    {kReplaceButton, kButton, "&Replace", kNone, {7, 34, 50, 14}, 0},
    {kAppendButton, kButton, "&Append", kNone, {63, 34, 50, 14}, 0},
    {kPrependButton, kButton, "&Prepend", kNone, {119, 34, 50, 14}, 0},
    {kFileExistsCancelButton, kButton, "&Cancel", kNone, {175, 34, 50, 14}, 0},
};

const ControlTemplate kPasswordControls[] = {
    {kUnnamedControl, kLabel, "The document you selected is password protected.", kNone,
     {7, 7, 200, 8}, 0},
    {kUnnamedControl, kLabel, "Please enter the password or select cancel to abort.", kNone,
     {7, 17, 200, 8}, 0},
    {kNameEdit, kPassword, "", kNone, {7, 30, 200, 12}, 0},
    {kPasswordOkButton, kButton, "&OK", kDefault, {53, 48, 50, 14}, 0},
    {kPasswordCancelButton, kButton, "&Cancel", kNone, {111, 48, 50, 14}, 0},
};

const ControlTemplate kStatusControls[] = {
    {kStatusText, kLabel, "", kCentred, {7, 7, 170, 9}, 0},
};

const ControlTemplate kProfileNameControls[] = {
    {kUnnamedControl, kLabel, "Please enter a name for your saved profile.", kNone,
     {7, 7, 180, 8}, 0},
    {kNameEdit, kEdit, "", kNone, {7, 20, 180, 12}, 0},
    {kProfileNameOkButton, kButton, "&OK", kDefault, {43, 38, 50, 14}, 0},
    {kProfileNameCancelButton, kButton, "&Cancel", kNone, {101, 38, 50, 14}, 0},
};

}  // namespace

const DialogTemplate kSaveCustomTemplate = {
    kSaveCustomDialog, "savepdf", "", platform::kDialogChild | platform::kDialogTabIntoChildren,
    282, 235, kSaveCustomControls, std::size(kSaveCustomControls)};
const DialogTemplate kGeneralPageTemplate = {
    kGeneralPageDialog, "general", "", platform::kDialogChild, 263, 135,
    kGeneralPageControls, std::size(kGeneralPageControls)};
const DialogTemplate kSecurityPageTemplate = {
    kSecurityPageDialog, "security", "", platform::kDialogChild, 263, 135,
    kSecurityPageControls, std::size(kSecurityPageControls)};
const DialogTemplate kDisplayPageTemplate = {
    kDisplayPageDialog, "display", "", platform::kDialogChild, 263, 135,
    kDisplayPageControls, std::size(kDisplayPageControls)};
const DialogTemplate kApplicationPageTemplate = {
    kApplicationPageDialog, "application", "", platform::kDialogChild, 264, 135,
    kApplicationPageControls, std::size(kApplicationPageControls)};
// Borderless and above every other window, owned by the desktop.
const DialogTemplate kProgressTemplate = {
    kProgressDialog, "progress", "", platform::kDialogTopmost | platform::kDialogCentred |
                                         platform::kDialogVisible,
    210, 67, kProgressControls, std::size(kProgressControls)};
const DialogTemplate kFileExistsTemplate = {
    kFileExistsDialog, "fileexists", "Vellora", kModalStyle, 232, 55,
    kFileExistsControls, std::size(kFileExistsControls)};
const DialogTemplate kPasswordTemplate = {
    kPasswordDialog, "password", "Vellora", kModalStyle, 214, 69,
    kPasswordControls, std::size(kPasswordControls)};
const DialogTemplate kStatusTemplate = {
    kStatusDialog, "status", "Vellora", platform::kDialogCaption | platform::kDialogCentred,
    184, 23, kStatusControls, std::size(kStatusControls)};
const DialogTemplate kProfileNameTemplate = {
    kProfileNameDialog, "profilename", "Vellora", kModalStyle, 194, 59,
    kProfileNameControls, std::size(kProfileNameControls)};

}  // namespace vellora
