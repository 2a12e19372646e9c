// The General page: PDF compatibility and the document information.
#include "converter/ui/dialog_ids.h"
#include "converter/ui/page_parts.h"

namespace vellora {

namespace {

const char* const kPdfLevels[] = {"PDF 1.2 ( Acrobat 3+ )", "PDF 1.3 ( Acrobat 4+ )",
                                  "PDF 1.4 ( Acrobat 5+ )"};

struct TextField {
  int label;
  int edit;
  const char* setting;
};

const TextField kTextFields[] = {
    {kTitleLabel, kTitleEdit, "PDFTitle"},
    {kSubjectLabel, kSubjectEdit, "PDFSubject"},
    {kAuthorLabel, kAuthorEdit, "PDFAuthor"},
    {kKeywordsLabel, kKeywordsEdit, "PDFKeywords"},
};

}  // namespace

void createGeneralPage(SaveDialogState&, platform::DialogControls& page) {
  page.clearList(kPdfLevelList);
  for (const char* level : kPdfLevels) page.addListEntry(kPdfLevelList, level);
}

void showGeneralPage(SaveDialogState& state, platform::DialogControls& page) {
  const SettingsRecord& s = state.settings.record;
  page.select(kPdfLevelList, s.PDFLevel);
  page.setText(kTitleEdit, fieldText(s.PDFTitle));
  page.setText(kSubjectEdit, fieldText(s.PDFSubject));
  page.setText(kAuthorEdit, fieldText(s.PDFAuthor));
  page.setText(kKeywordsEdit, fieldText(s.PDFKeywords));
  lockBySetting(state, page, kPdfLevelList, "PDFLevel");
  lockBySetting(state, page, kPdfLevelLabel, "PDFLevel");
  for (const TextField& field : kTextFields) {
    lockBySetting(state, page, field.edit, field.setting);
    lockBySetting(state, page, field.label, field.setting);
  }
  const int type = state.job.filterIndex;
  if (type > 1) {
    page.enable(kPdfLevelList, false);
    page.enable(kPdfLevelLabel, false);
  }
  if (type >= 3) {
    for (const TextField& field : kTextFields) {
      page.enable(field.edit, false);
      page.enable(field.label, false);
    }
  }
}

void readGeneralPage(SaveDialogState& state, platform::DialogControls& page) {
  SettingsRecord& s = state.settings.record;
  int level = page.selection(kPdfLevelList);
  if (level >= 0) s.PDFLevel = level;
  setFieldText(s.PDFTitle, page.text(kTitleEdit).substr(0, kShortTextLimit));
  setFieldText(s.PDFSubject, page.text(kSubjectEdit).substr(0, kShortTextLimit));
  setFieldText(s.PDFAuthor, page.text(kAuthorEdit).substr(0, kShortTextLimit));
  setFieldText(s.PDFKeywords, page.text(kKeywordsEdit).substr(0, kKeywordsLimit));
}

}  // namespace vellora
