// Reading the scripted user interface's record back: its events, and the
// snapshots of dialogs with every control's state, for tests to check what a
// user would have seen.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

struct ControlRecord {
  std::string state;      // "enabled", "disabled" or "hidden"
  std::string check;      // "1", "0" or "-"
  std::string text;
  int selection = -1;     // -1 also for controls without entries
  std::vector<std::string> entries;
  bool enabled() const { return state == "enabled"; }
  bool hidden() const { return state == "hidden"; }
  bool checked() const { return check == "1"; }
};

struct DialogSnapshot {
  int templateId = 0;
  std::string moment;  // "start", the action's script line, "accept", "cancel", "end"
  // Save As only.
  std::string folder;
  std::string fileName;
  int fileType = 0;
  int x = 0, y = 0, width = 0, height = 0, icon = 0;
  // By template id and control id; destroyed controls are absent.
  std::map<std::pair<int, int>, ControlRecord> controls;

  bool has(int templateId, int controlId) const;
  // The control's record; a test failure (and an empty record) when absent.
  const ControlRecord& control(int templateId, int controlId) const;
};

// Each line of a record split into its fields (unescaped), the kind first.
std::vector<std::vector<std::string>> recordEvents(const std::vector<std::string>& lines);
std::vector<std::vector<std::string>> recordEvents(const std::string& recordText);

// The snapshots in record order.
std::vector<DialogSnapshot> dialogSnapshots(const std::vector<std::vector<std::string>>& events);
// The last snapshot of a template with the given moment ("" for any); a
// test failure (and an empty snapshot) when there is none.
DialogSnapshot lastSnapshot(const std::vector<DialogSnapshot>& snapshots, int templateId,
                            const std::string& moment = "");

}  // namespace testsupport
