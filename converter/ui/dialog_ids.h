// The ids of the converter's dialog templates, their controls and images,
// as the resource script numbers them.
#pragma once

namespace vellora {

// Templates.
enum DialogId {
  kSaveCustomDialog = 101,    // the Save PDF dialog's custom area
  kProgressDialog = 103,
  kGeneralPageDialog = 125,
  kDisplayPageDialog = 126,
  kSecurityPageDialog = 128,
  kApplicationPageDialog = 129,
  kFileExistsDialog = 142,
  kPasswordDialog = 143,
  kStatusDialog = 144,
  kProfileNameDialog = 149,
};

// Images.
enum ImageId {
  kQualityBitmap = 139,
  kDialogIcon = 156,
  kProgressBanner = 170,
};

// Controls without an id of their own (plain labels).
constexpr int kUnnamedControl = -1;

// Save PDF dialog, custom area (101).
enum SaveDialogControl {
  kViewResultBox = 1000,
  kEmailResultBox = 1019,
  kAdvancedBox = 1028,
  kQualityLabel = 1097,
  kQualityList = 1005,
  kQualityImage = 1043,
  kProfileGroup = 1065,
  kSaveProfileButton = 1018,
  kDefaultProfileButton = 1017,
  kProfileList = 1026,
  kDeleteProfileButton = 1064,
  kOptionTabs = 1020,
};

// General page (125).
enum GeneralPageControl {
  kPdfLevelLabel = 1095,
  kPdfLevelList = 1021,
  kTitleLabel = 1091,
  kTitleEdit = 1022,
  kSubjectLabel = 1092,
  kSubjectEdit = 1023,
  kAuthorLabel = 1093,
  kAuthorEdit = 1024,
  kKeywordsLabel = 1094,
  kKeywordsEdit = 1025,
};

// Security page (128).
enum SecurityPageControl {
  kEncryptionGroup = 1051,
  kNoEncryptionRadio = 1029,
  kEncryption40Radio = 1027,
  kEncryption128Radio = 1026,
  kPasswordGroup = 1052,
  kUserPasswordLabel = 1054,
  kUserPasswordEdit = 1030,
  kOwnerPasswordLabel = 1055,
  kOwnerPasswordEdit = 1031,
  kPermissionGroup = 1053,
  kAllowPrintingBox = 1032,
  kAllowCopyPasteBox = 1033,
  kAllowModifyContentBox = 1034,
  kAllowModifyAnnotationsBox = 1035,
  kPermission128Group = 1047,
  kAllowScreenReadingBox = 1036,
  kAllowAssemblyBox = 1037,
  kAllowDegradedPrintingBox = 1038,
  kAllowFillInBox = 1039,
};

// Display page (126).
enum DisplayPageControl {
  kStationeryLabel = 1087,
  kStationeryList = 1070,
  kWatermarkBox = 1084,
  kAutoRotateLabel = 1088,
  kAutoRotateList = 1071,
  kViewerGroup = 1108,
  kZoomLabel = 1080,
  kZoomList = 1078,
  kLayoutLabel = 1089,
  kLayoutList = 1079,
  kMenuLabel = 1090,
  kMenuList = 1081,
  kFullScreenBox = 1076,
  kHideMenuBarBox = 1074,
  kHideToolBarBox = 1073,
  kShowTitleBox = 1082,
};

// Application page (129).
enum ApplicationPageControl {
  kProductLine = 1103,
  kVersionLine = 1040,
  kInterpreterLabel = 1086,
  kInterpreterList = 1021,
  kAutoNameBox = 1066,
  kRememberLastBox = 1068,
  kClipboardBox = 1016,
  kHideProfilesBox = 1083,
};

// Progress window (103).
enum ProgressControl {
  kProgressImage = 1102,
  kProgressBar = 1001,
  kProgressText = 1105,
};

// File-exists dialog (142): the buttons return 1 Replace, 2 Append, 3 Prepend, 0 Cancel.
enum FileExistsControl {
  kFileExistsText = 1106,
  kReplaceButton = 1017,
  kAppendButton = 1018,
  kPrependButton = 1019,
  kFileExistsCancelButton = 1020,
};

// Password dialog (143) and profile name dialog (149).
enum NameDialogControl {
  kNameEdit = 1022,
  kPasswordOkButton = 1044,
  kPasswordCancelButton = 1045,
  kProfileNameOkButton = 1063,
  kProfileNameCancelButton = 1020,
};

// Status window (144).
constexpr int kStatusText = 1046;

}  // namespace vellora
