// The non-interactive user interface: answers every question from a script
// and records everything it was asked to show, so that a run without a
// desktop behaves deterministically and tests can assert exactly what a user
// would have seen.
//
// Script (file named by VELLORA_UI_SCRIPT, or lines given in-process), one
// answer per line, "kind: value"; blank lines and lines starting with "#" are
// ignored. Answers of one kind are used in the order written, each once:
//
//   message: yes | no | ok | cancel | abort | retry | ignore | <default>
//   saveas: /full/path/of/the/file.pdf | <cancel>
//   saveas-filter: 2            (filter index of the next saveas answer)
//   fileexists: replace | append | prepend | cancel
//   password: the password | <cancel> | <unavailable>
//   profilename: the name | <cancel>
//
// With no answer left, a message box takes its default button (the first,
// or the second/third with kMbDefButton2/3) and every dialog is cancelled.
//
// Record (file named by VELLORA_UI_LOG, appended to, one event per line,
// fields separated by a tab; in texts a backslash is written "\\", a line
// break "\n" and a tab "\t"):
//
//   message    <flags in hex, "0x34"> <caption> <text> <answer: yes, no, ok, cancel...>
//   progress   open <text>  |  range <low> <high>  |  step <n>  |  position <n>  |  close
//   status     open <caption> <text>  |  text <text>  |  close
//   saveas     <folder> <name> <filter index> <answer path or <cancel>> <filter index chosen>
//   fileexists <answer>
//   password   <answer or <cancel> or <unavailable>>
//   profilename <initial name> <answer or <cancel>>
//   cursor     arrow | wait
//   clipboard  <text>
//
// Progress positions are recorded only when they change.
#pragma once

#include <string>
#include <vector>

#include "platform/ui.h"

namespace platform {

class ScriptedUi : public UserInterface {
 public:
  // Reads VELLORA_UI_SCRIPT and VELLORA_UI_LOG.
  static ScriptedUi* fromEnvironment();
  ScriptedUi() = default;

  // In-process use (tests): add script lines and read the record.
  void addScriptLine(const std::string& line);
  void setRecordFile(const std::string& path);
  // The events recorded so far, as the lines written to the record (without
  // the trailing line break).
  const std::vector<std::string>& events() const { return events_; }
  // The events of one kind, each split into its fields (the kind dropped).
  std::vector<std::vector<std::string>> eventsOf(const std::string& kind) const;
  void clearEvents() { events_.clear(); }

  int messageBox(const std::string& text, const std::string& caption, unsigned flags) override;
  std::unique_ptr<ProgressWindow> openProgressWindow(const std::string& text) override;
  std::unique_ptr<StatusWindow> openStatusWindow(const std::string& caption,
                                                 const std::string& text) override;
  SaveAsResult saveAs(const SaveAsRequest& request) override;
  int fileExistsDialog() override;
  int passwordDialog(std::string* password) override;
  int profileNameDialog(const std::string& initialName, std::string* name) override;
  void setCursor(Cursor cursor) override;
  bool copyToClipboard(const std::string& text) override;

  // Writes one event (fields joined by tabs, texts escaped) to the record.
  void record(const std::vector<std::string>& fields);
  // The next answer of a kind; false when none is left.
  bool nextAnswer(const std::string& kind, std::string* answer);

 private:
  struct Answer {
    std::string kind;
    std::string value;
    int filterIndex = 0;  // saveas: from the saveas-filter line before it, 0 when none
    bool used = false;
  };
  std::vector<Answer> script_;
  std::vector<std::string> events_;
  std::string recordFile_;
};

// Escaping used in the record: "\\", "\n", "\t".
std::string escapeRecordField(const std::string& text);
std::string unescapeRecordField(const std::string& text);

}  // namespace platform
