#include "converter/postscript/view_choices.h"

#include "common/text.h"

namespace vellora {

const ViewZoomChoice kViewZoomChoices[kViewZoomChoiceCount] = {
    {"Fit Page", 100, "\n /OpenAction [ 0 /Fit ]"},
    {"Fit Width", 100, "\n /OpenAction [ 0 /FitH ]"},
    {"100% (Actual Size)", 100, ""},
    {"10%", 10, ""},
    {"25%", 25, ""},
    {"50%", 50, ""},
    {"75%", 75, ""},
    {"125%", 125, ""},
    {"150%", 150, ""},
    {"200%", 200, ""},
    {"400%", 400, ""},
    {"800%", 800, ""},
};

const ViewLayoutChoice kViewLayoutChoices[kViewLayoutChoiceCount] = {
    {"Single Page", "/SinglePage"},
    {"One Column", "/OneColumn"},
    {"Facing", "/TwoPageRight"},
    {"Two Columns L", "/TwoColumnLeft"},
    {"Two Columns R", "/TwoColumnRight"},
};

const ViewMenusChoice kViewMenusChoices[kViewMenusChoiceCount] = {
    {"None", "/None", false},
    {"Bookmarks", "/UseOutlines", false},
    {"Thumbnails", "/UseThumbs", false},
    {"Hide entire UI", "/None", true},
};

const AutoRotateChoice kAutoRotateChoices[kAutoRotateChoiceCount] = {
    {"None", "<< /AutoRotatePages /None >> setdistillerparams", ""},
    {"Page by Page", "<< /AutoRotatePages /PageByPage >> setdistillerparams", ""},
    {"Document", "<< /AutoRotatePages /All >> setdistillerparams", ""},
    {"Force Landscape", "<< /AutoRotatePages /None >> setdistillerparams",
     "\n\n<</Orientation 3>> setpagedevice"},
};

namespace {

const ViewZoomChoice kOtherZoom = {"", 100, ""};
const ViewLayoutChoice kOtherLayout = {"", "/SinglePage"};
const ViewMenusChoice kOtherMenus = {"", "/UseOutlines", false};

template <typename T, std::size_t N>
const T* entry(const T (&table)[N], int value) {
  if (value < 0 || static_cast<std::size_t>(value) >= N) return nullptr;
  return &table[value];
}

}  // namespace

const ViewZoomChoice& viewZoomChoice(int value) {
  const ViewZoomChoice* found = entry(kViewZoomChoices, value);
  return found ? *found : kOtherZoom;
}

const ViewLayoutChoice& viewLayoutChoice(int value) {
  const ViewLayoutChoice* found = entry(kViewLayoutChoices, value);
  return found ? *found : kOtherLayout;
}

const ViewMenusChoice& viewMenusChoice(int value) {
  const ViewMenusChoice* found = entry(kViewMenusChoices, value);
  return found ? *found : kOtherMenus;
}

const AutoRotateChoice* autoRotateChoice(int value) { return entry(kAutoRotateChoices, value); }

std::string formatZoom(int zoomHundredths) {
  bool negative = zoomHundredths < 0;
  long long magnitude = negative ? -static_cast<long long>(zoomHundredths) : zoomHundredths;
  long long tenths = (magnitude + 5) / 10;
  return format("%s%lld.%lld", negative ? "-" : "", tenths / 10, tenths % 10);
}

}  // namespace vellora
