#include "converter/postscript/prologue.h"

#include "converter/postscript/view_choices.h"

namespace vellora {

namespace {

const char* onOff(std::int32_t value) { return value == 1 ? "true" : "false"; }

}  // namespace

std::string prologueText(const SettingsRecord& settings) {
  const ViewZoomChoice& zoom = viewZoomChoice(settings.ViewZoom);
  const ViewMenusChoice& menus = viewMenusChoice(settings.ViewMenus);

  std::string text = " \n";
  text += "\n";
  text += "%!PS-Adobe-3.0\n";
  text += "[ /Type /Catalog \n/View [/XYZ null null " + formatZoom(zoom.zoomHundredths) + " ]\n";
  text += "/PageLayout ";
  text += viewLayoutChoice(settings.ViewLayout).written;
  text += "\n";
  text += "/ViewerPreferences << /NonFullScreenPageMode ";
  text += menus.navigationMode;
  text += " /HideToolbar ";
  text += onOff(settings.ViewToolBar);
  text += " /HideMenubar ";
  text += onOff(settings.ViewMenuBar);
  text += " /DisplayDocTitle ";
  text += onOff(settings.ViewPDFTitle);
  text += " /HideWindowUI ";
  text += menus.hideWindowUI ? "true" : "false";
  text += " >>\n";
  text += "/PageMode ";
  text += settings.ViewFullScreen == 1 ? "/FullScreen" : menus.navigationMode;
  text += zoom.openAction;
  text += "\n /DOCVIEW pdfmark\n\n";
  if (const AutoRotateChoice* rotate = autoRotateChoice(settings.AutoRotate)) {
    text += rotate->distillerLine;
    text += rotate->extraLine;
  }
  text += "\n\n%\n";
  return text;
}

}  // namespace vellora
