// The viewer and rotation choices the prologue writes, as data: the options
// pages list the "Shown as" texts in this order, the prologue writes the rest.
#pragma once

#include <cstddef>
#include <string>

namespace vellora {

struct ViewZoomChoice {
  const char* shownAs;
  // The zoom in hundredths (25 is 0.25), so that printing it with one
  // decimal never depends on binary floating point.
  int zoomHundredths;
  const char* openAction;  // "" when the document opens without one
};

struct ViewLayoutChoice {
  const char* shownAs;
  const char* written;
};

struct ViewMenusChoice {
  const char* shownAs;
  const char* navigationMode;
  bool hideWindowUI;
};

struct AutoRotateChoice {
  const char* shownAs;
  const char* distillerLine;
  const char* extraLine;  // "" when none
};

constexpr std::size_t kViewZoomChoiceCount = 12;
constexpr std::size_t kViewLayoutChoiceCount = 5;
constexpr std::size_t kViewMenusChoiceCount = 4;
constexpr std::size_t kAutoRotateChoiceCount = 4;

// The tables, indexed by the setting's value.
extern const ViewZoomChoice kViewZoomChoices[kViewZoomChoiceCount];
extern const ViewLayoutChoice kViewLayoutChoices[kViewLayoutChoiceCount];
extern const ViewMenusChoice kViewMenusChoices[kViewMenusChoiceCount];
extern const AutoRotateChoice kAutoRotateChoices[kAutoRotateChoiceCount];

// The entry for a stored value; a value outside the table gets the table's
// fallback (zoom 1.0 without open action, "/SinglePage", "/UseOutlines"
// without hiding the user interface). "AutoRotate" has no fallback: nullptr,
// and no rotation parameters are written.
const ViewZoomChoice& viewZoomChoice(int value);
const ViewLayoutChoice& viewLayoutChoice(int value);
const ViewMenusChoice& viewMenusChoice(int value);
const AutoRotateChoice* autoRotateChoice(int value);

// A zoom printed with one decimal, halves rounded away from zero (25 gives
// "0.3", 125 "1.3", 75 "0.8").
std::string formatZoom(int zoomHundredths);

}  // namespace vellora
