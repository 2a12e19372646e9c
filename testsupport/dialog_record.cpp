#include "testsupport/dialog_record.h"

#include <cstdlib>

#include <gtest/gtest.h>

#include "scripted_ui/scripted_ui.h"

namespace testsupport {

namespace {

std::vector<std::string> fieldsOf(const std::string& line) {
  std::vector<std::string> fields;
  std::string::size_type from = 0;
  for (;;) {
    std::string::size_type tab = line.find('\t', from);
    fields.push_back(platform::unescapeRecordField(
        line.substr(from, tab == std::string::npos ? std::string::npos : tab - from)));
    if (tab == std::string::npos) break;
    from = tab + 1;
  }
  return fields;
}

int number(const std::string& text) { return std::atoi(text.c_str()); }

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  if (text.empty()) return parts;
  std::string::size_type from = 0;
  for (;;) {
    std::string::size_type at = text.find(separator, from);
    parts.push_back(text.substr(from, at == std::string::npos ? std::string::npos : at - from));
    if (at == std::string::npos) break;
    from = at + 1;
  }
  return parts;
}

}  // namespace

bool DialogSnapshot::has(int templateIdOf, int controlId) const {
  return controls.count({templateIdOf, controlId}) != 0;
}

const ControlRecord& DialogSnapshot::control(int templateIdOf, int controlId) const {
  static const ControlRecord kNone;
  auto it = controls.find({templateIdOf, controlId});
  if (it == controls.end()) {
    ADD_FAILURE() << "no control " << controlId << " of template " << templateIdOf
                  << " in the snapshot of " << templateId << " at \"" << moment << "\"";
    return kNone;
  }
  return it->second;
}

std::vector<std::vector<std::string>> recordEvents(const std::vector<std::string>& lines) {
  std::vector<std::vector<std::string>> events;
  for (const std::string& line : lines)
    if (!line.empty()) events.push_back(fieldsOf(line));
  return events;
}

std::vector<std::vector<std::string>> recordEvents(const std::string& recordText) {
  return recordEvents(split(recordText, '\n'));
}

std::vector<DialogSnapshot> dialogSnapshots(const std::vector<std::vector<std::string>>& events) {
  std::vector<DialogSnapshot> snapshots;
  bool open = false;
  for (const auto& e : events) {
    const std::string& kind = e[0];
    if (kind == "snapshot" && e.size() >= 3) {
      snapshots.emplace_back();
      snapshots.back().templateId = number(e[1]);
      snapshots.back().moment = e[2];
      open = true;
      continue;
    }
    if (!open) continue;
    DialogSnapshot& s = snapshots.back();
    if (kind == "file" && e.size() >= 4) {
      s.folder = e[1];
      s.fileName = e[2];
      s.fileType = number(e[3]);
    } else if (kind == "placement" && e.size() >= 7) {
      s.x = number(e[2]);
      s.y = number(e[3]);
      s.width = number(e[4]);
      s.height = number(e[5]);
      s.icon = number(e[6]);
    } else if (kind == "control" && e.size() >= 8) {
      ControlRecord c;
      c.state = e[3];
      c.check = e[4];
      c.text = e[5];
      c.selection = e[6] == "-" ? -1 : number(e[6]);
      c.entries = split(e[7], '|');
      s.controls[{number(e[1]), number(e[2])}] = c;
    } else {
      open = false;
    }
  }
  return snapshots;
}

DialogSnapshot lastSnapshot(const std::vector<DialogSnapshot>& snapshots, int templateId,
                            const std::string& moment) {
  for (auto it = snapshots.rbegin(); it != snapshots.rend(); ++it)
    if (it->templateId == templateId && (moment.empty() || it->moment == moment)) return *it;
  ADD_FAILURE() << "no snapshot of template " << templateId << " at \"" << moment << "\"";
  return DialogSnapshot();
}

}  // namespace testsupport
