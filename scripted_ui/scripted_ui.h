// The user interface without a desktop: it builds every dialog from its
// template and keeps each control's state, acts on it from a script as a
// user would, and records what it showed, so that a run without a desktop
// behaves deterministically and tests can assert exactly what a user would
// have seen and done.
//
// Without a script (VELLORA_UI_SCRIPT unset or empty) it is not interactive:
// nobody can answer, so dialogs are unavailable (runModal returns
// kDialogUnavailable, runSaveAs kUnavailable) and message boxes take their
// safe answer: No for Yes/No, Cancel where there is one, Abort for
// Abort/Retry/Ignore, else OK. Modeless windows still open and record.
//
// Script (file named by VELLORA_UI_SCRIPT, or lines given in-process), one
// line each, "kind: value"; blank lines and lines starting with "#" are
// ignored; kinds ignore letter case. Each line is used once.
//
// Message boxes take the first unused "message" line:
//   message: yes | no | ok | cancel | abort | retry | ignore
// With none left a box takes its default button (the first, or the
// second/third with kMbDefButton2/3).
//
// A dialog (modal, or Save As) acts out, one after the other, the first
// unused line that is an action or an answer of its own kind, until it ends.
// A modal dialog opened from a handler (a question while a name is accepted)
// takes the lines after the one that opened it, so a script lists the user's
// steps in the order a user takes them. Actions:
//   check: ID            check a box or radio button (a click when it was clear)
//   clear: ID            clear a box (a click when it was checked)
//   click: ID            press a button, or click a box or radio button
//   choose: ID TEXT      choose the list entry or tab TEXT (exact text, letter
//                        case ignored; else the first entry beginning with it)
//   type: ID TEXT        type TEXT into an edit, replacing its text
//   tab: TEXT            choose the tab TEXT of the dialog's tab control
//   filetype: N          Save As: choose the file type N (1-based)
//   name: TEXT           Save As: type TEXT into the file name field
//   accept: [PATH]       Save As: type PATH (when given), then press Save
//   cancel:              Save As: press Cancel; other dialogs: close the window
//   wait:                let background threads finish what they send to the
//                        dialog (every DialogPoster released), at most 10 s
//   screenshot: NAME     desktop backends only (desktop.h); recorded here
//   pause: MILLISECONDS  desktop backends only (desktop.h); recorded here
// ID is a control id; "TEMPLATE/ID" names the control of one template when a
// Save As dialog's custom area and its page share an id (an unqualified id is
// looked up in the dialog first, then in its pages). A user cannot act on a
// hidden or disabled control: such an action is refused and recorded so.
// "choose" waits (as "wait") when the entry is not there yet.
//
// Answers, each for the dialogs of one name (DialogTemplate::name):
//   saveas: PATH | <cancel>     Save As: type PATH and press Save, or Cancel
//   saveas-filter: N            the file type taken with the next saveas line
//   NAME: BUTTON                press the push button whose caption is BUTTON
//                               ("&" and letter case ignored)
//   NAME: TEXT                  otherwise: type TEXT into the dialog's (first)
//                               edit and press its default button
//   NAME: <cancel>              close the window
//   NAME: <unavailable>         the dialog cannot be shown (kDialogUnavailable)
// With nothing left to act out a dialog is closed (kCloseCommand; a Save As
// dialog is cancelled).
//
// Set-up lines (read when given, not acted out):
//   screen: WIDTH HEIGHT [PPI]  the screen dialogs are placed on (default
//                               1280 1024 96)
//
// Record (file named by VELLORA_UI_LOG, appended to, one event per line,
// fields separated by a tab; in texts a backslash is written "\\", a line
// break "\n" and a tab "\t"):
//
//   message    <flags in hex, "0x34"> <caption> <text> <answer: yes, no, ok, cancel...>
//   window     open <template id> <caption>  |  close <template id> <result>  |
//              unavailable <template id>
//   snapshot   <template id> <moment>
//   file       <folder> <file name field> <file type>                 (Save As only)
//   placement  <template id> <x> <y> <width> <height> <big icon id or 0>
//   control    <template id> <control id> <enabled|disabled|hidden> <check: 1, 0 or ->
//              <text> <selection: index, -1 or -> <entries joined by "|">
//   action     <template id> <the script line>
//   refused    <template id> <the script line> <why>
//   text       <template id> <control id> <text>                     (modeless windows)
//   progress   range <low> <high>  |  step <n>  |  position <n>
//   saveas     <folder> <name> <file type> <answer path or <cancel>> <file type chosen>
//   cursor     arrow | wait
//   clipboard  <text>
//   forward    <window class>                  (no windows: none is raised)
//
// A snapshot of a modal or Save As dialog is taken when it has started
// (moment "start"), after each action (the action's line) and when it ends
// ("accept", "cancel" or "end"): the snapshot line, for Save As its file
// line, a placement line, then one control line per control of the dialog
// and, after them, of each of its pages. Destroyed controls are left out. A
// modeless window records its texts and progress changes as they happen
// (positions only when they change).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace platform {

class ScriptedDialog;
struct ScriptedPostHub;

class ScriptedUi : public UserInterface {
 public:
  // Reads VELLORA_UI_SCRIPT and VELLORA_UI_LOG; not interactive without a script.
  static ScriptedUi* fromEnvironment();
  // An interactive one with an empty script and no record file.
  ScriptedUi();
  ~ScriptedUi() override;

  // In-process use (tests): add script lines and read the record.
  void addScriptLine(const std::string& line);
  void setRecordFile(const std::string& path);
  void setInteractive(bool interactive) { interactive_ = interactive; }
  // What description() says (which backend, and why).
  void setDescription(const std::string& text) { origin_ = text; }
  // The events recorded so far, as the lines written to the record (without
  // the trailing line break).
  std::vector<std::string> events() const;
  // The events of one kind, each split into its fields (the kind dropped).
  std::vector<std::vector<std::string>> eventsOf(const std::string& kind) const;
  void clearEvents();

  bool interactive() const override { return interactive_; }
  std::string description() const override;
  int messageBox(const std::string& text, const std::string& caption, unsigned flags,
                 const Dialog* owner = nullptr) override;
  int runModal(const DialogTemplate& dialog, DialogHandler& handler) override;
  std::unique_ptr<Dialog> openModeless(const DialogTemplate& dialog,
                                       DialogHandler* handler) override;
  SaveAsResult runSaveAs(const SaveAsRequest& request, const DialogTemplate& customArea,
                         DialogHandler& hook) override;
  void setCursor(Cursor cursor) override;
  bool copyToClipboard(const std::string& text) override;
  int bringWindowsForward(const std::string& windowClass) override;

  // Writes one event (fields joined by tabs, texts escaped) to the record.
  void record(const std::vector<std::string>& fields);
  // The next unused answer of a kind; false when none is left.
  bool nextAnswer(const std::string& kind, std::string* answer);

  // The screen dialogs are placed on.
  const ScreenMetrics& screen() const { return screen_; }
  // Background work: runs what was posted to live dialogs; with `settle`,
  // first waits (at most 10 s) until every poster is released.
  void runPosted(bool settle);
  std::shared_ptr<ScriptedPostHub> postHub() const { return hub_; }

  // The script's lines, also for a desktop backend that acts them out on
  // real windows (desktop.h).
  struct Line {
    std::string kind;
    std::string value;
    std::string text;  // the line as written, trimmed
    int filterIndex = 0;  // saveas: from the saveas-filter line before it, 0 when none
    bool used = false;
  };
  // The first unused line that is an action, or of kind `answerKind`; the
  // line is marked used. False when none is left.
  bool nextStep(const std::string& answerKind, Line* line);
  // Takes a "<unavailable>" answer when it is the next step of a dialog.
  bool takeUnavailable(const std::string& name);

 private:
  // Acts out one action on a dialog; false when the line is no action.
  void act(ScriptedDialog& dialog, const Line& line, DialogHandler& handler);
  void actOnModal(ScriptedDialog& dialog, const Line& line, DialogHandler& handler);
  void snapshot(const ScriptedDialog& dialog, const std::string& moment);

  bool interactive_ = true;
  std::string origin_ = "scripted (in-process)";
  std::vector<Line> script_;
  std::vector<std::string> events_;
  std::string recordFile_;
  ScreenMetrics screen_;
  std::shared_ptr<ScriptedPostHub> hub_;
};

// Escaping used in the record: "\\", "\n", "\t".
std::string escapeRecordField(const std::string& text);
std::string unescapeRecordField(const std::string& text);

}  // namespace platform
