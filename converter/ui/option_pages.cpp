#include "converter/ui/option_pages.h"

#include <cctype>

#include "converter/ui/dialog_ids.h"
#include "converter/ui/dialog_templates.h"
#include "converter/ui/page_parts.h"

namespace vellora {

namespace {

struct PageEntry {
  const char* tabText;
  const platform::DialogTemplate* source;
};

const PageEntry kPages[kOptionPageCount] = {
    {"General", &kGeneralPageTemplate},
    {"Security", &kSecurityPageTemplate},
    {"Display", &kDisplayPageTemplate},
    {"Application", &kApplicationPageTemplate},
};

bool offered(const SaveDialogState& state, int page) {
  return page >= 0 && page < state.pageCount;
}

void createPage(SaveDialogState& state, int page) {
  state.currentPage = page;
  if (!state.pageHandler) state.pageHandler.reset(new OptionPageHandler(state));
  state.page = state.dialog->createPage(kOptionTabs, *kPages[page].source, state.pageHandler.get());
}

}  // namespace

void lockBySetting(SaveDialogState& state, platform::DialogControls& page, int controlId,
                   const char* setting) {
  ApplyLock(page, controlId, state.settings.locks.of(setting),
            state.settings.controlLocks.of(setting));
}

void BuildTabs(SaveDialogState& state) {
  platform::Dialog& d = *state.dialog;
  state.pageCount = state.settings.record.DisableAppTab > 0 ? kOptionPageCount - 1 : kOptionPageCount;
  d.clearList(kOptionTabs);
  for (int page = 0; page < state.pageCount; ++page) d.addListEntry(kOptionTabs, kPages[page].tabText);
  d.select(kOptionTabs, kGeneralPage);
  createPage(state, kGeneralPage);
  ShowPage(state, kGeneralPage);
}

void SwitchPage(SaveDialogState& state, int page) {
  if (!offered(state, page)) return;
  ReadPage(state, state.currentPage, false);
  state.page.reset();
  createPage(state, page);
  ShowPage(state, page);
}

void ShowPage(SaveDialogState& state, int page) {
  if (!state.page || page != state.currentPage || !offered(state, page)) return;
  platform::Dialog& p = *state.page;
  switch (page) {
    case kGeneralPage: showGeneralPage(state, p); break;
    case kSecurityPage: showSecurityPage(state, p); break;
    case kDisplayPage: showDisplayPage(state, p); break;
    case kApplicationPage: showApplicationPage(state, p); break;
    default: break;
  }
}

void ReadPage(SaveDialogState& state, int page, bool closing) {
  if (!state.page || page != state.currentPage || !offered(state, page)) return;
  platform::Dialog& p = *state.page;
  switch (page) {
    case kGeneralPage: readGeneralPage(state, p); break;
    case kSecurityPage: readSecurityPage(state, p); break;
    case kDisplayPage: readDisplayPage(state, p); break;
    case kApplicationPage: readApplicationPage(state, p, closing); break;
    default: break;
  }
}

void OptionPageHandler::initialised(platform::Dialog& page) {
  switch (page.dialogTemplate().id) {
    case kGeneralPageDialog: createGeneralPage(state_, page); break;
    case kDisplayPageDialog: createDisplayPage(state_, page); break;
    default: break;
  }
}

void OptionPageHandler::clicked(platform::Dialog& page, int controlId) {
  switch (page.dialogTemplate().id) {
    case kSecurityPageDialog:
      // The enabling follows the level at once.
      if (controlId == kNoEncryptionRadio || controlId == kEncryption40Radio ||
          controlId == kEncryption128Radio) {
        readSecurityPage(state_, page);
        showSecurityPage(state_, page);
      }
      break;
    case kDisplayPageDialog: displayPageClicked(state_, page, controlId); break;
    case kApplicationPageDialog: applicationPageClicked(state_, page, controlId); break;
    default: break;
  }
}

}  // namespace vellora
