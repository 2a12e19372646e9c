// The scripted user interface. Every event is also appended to the record
// file at once (open, one line, close), because the converter, the installer
// and the programs they start may all write to the same record while a test
// reads it.
#include "platform/scripted_ui.h"

#include <cctype>
#include <cstdlib>
#include <cstdio>
#include <mutex>

#include "platform/files.h"
#include "platform/process.h"

namespace platform {

namespace {

std::mutex gScriptLock;

std::string trim(const std::string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string number(long value) { return std::to_string(value); }

struct ButtonName {
  int id;
  const char* name;
};

const ButtonName kButtonNames[] = {
    {kIdOk, "ok"},       {kIdCancel, "cancel"}, {kIdAbort, "abort"}, {kIdRetry, "retry"},
    {kIdIgnore, "ignore"}, {kIdYes, "yes"},     {kIdNo, "no"},
};

const char* buttonName(int id) {
  for (const auto& b : kButtonNames)
    if (b.id == id) return b.name;
  return "?";
}

// The button a box takes when the user just presses Enter.
int defaultButton(unsigned flags) {
  static const int kButtons[6][3] = {
      {kIdOk, 0, 0},                    {kIdOk, kIdCancel, 0},
      {kIdAbort, kIdRetry, kIdIgnore},  {kIdYes, kIdNo, kIdCancel},
      {kIdYes, kIdNo, 0},               {kIdRetry, kIdCancel, 0},
  };
  unsigned type = flags & kMbButtonMask;
  if (type > 5) type = 0;
  int index = 0;
  if (flags & kMbDefButton3)
    index = 2;
  else if (flags & kMbDefButton2)
    index = 1;
  int id = kButtons[type][index];
  return id ? id : kButtons[type][0];
}

class ScriptedProgress : public ProgressWindow {
 public:
  ScriptedProgress(ScriptedUi* owner, const std::string& text) : owner_(owner) {
    owner_->record({"progress", "open", text});
  }
  ~ScriptedProgress() override { owner_->record({"progress", "close"}); }
  void setRange(int low, int high) override {
    owner_->record({"progress", "range", number(low), number(high)});
  }
  void setStep(int step) override { owner_->record({"progress", "step", number(step)}); }
  void setPosition(int position) override {
    if (position == position_) return;
    position_ = position;
    owner_->record({"progress", "position", number(position)});
  }
  void repaint() override {}

 private:
  ScriptedUi* owner_;
  int position_ = 0;  // a new bar stands at 0
};

class ScriptedStatus : public StatusWindow {
 public:
  ScriptedStatus(ScriptedUi* owner, const std::string& caption, const std::string& text)
      : owner_(owner) {
    owner_->record({"status", "open", caption, text});
  }
  ~ScriptedStatus() override { owner_->record({"status", "close"}); }
  void setText(const std::string& text) override { owner_->record({"status", "text", text}); }

 private:
  ScriptedUi* owner_;
};

}  // namespace

std::string escapeRecordField(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\t')
      out += "\\t";
    else
      out += c;
  }
  return out;
}

std::string unescapeRecordField(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      char next = text[i + 1];
      if (next == '\\' || next == 'n' || next == 't') {
        out += next == 'n' ? '\n' : next == 't' ? '\t' : '\\';
        ++i;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

ScriptedUi* ScriptedUi::fromEnvironment() {
  ScriptedUi* ui = new ScriptedUi;
  std::string script;
  if (getEnvironment("VELLORA_UI_SCRIPT", &script) && !script.empty()) {
    TextReader reader;
    if (reader.open(script)) {
      std::string line;
      while (reader.readLine(&line)) ui->addScriptLine(line);
    }
  }
  std::string log;
  if (getEnvironment("VELLORA_UI_LOG", &log) && !log.empty()) ui->setRecordFile(log);
  return ui;
}

void ScriptedUi::addScriptLine(const std::string& line) {
  std::string text = trim(line);
  if (text.empty() || text[0] == '#') return;
  std::string::size_type colon = text.find(':');
  if (colon == std::string::npos) return;
  Answer answer;
  answer.kind = lower(trim(text.substr(0, colon)));
  answer.value = trim(text.substr(colon + 1));
  std::lock_guard<std::mutex> lock(gScriptLock);
  if (answer.kind == "saveas") {
    // A saveas-filter line belongs to the first saveas line after it.
    for (auto it = script_.rbegin(); it != script_.rend() && it->kind != "saveas"; ++it) {
      if (it->kind == "saveas-filter" && !it->used) {
        answer.filterIndex = std::atoi(it->value.c_str());
        it->used = true;
        break;
      }
    }
  }
  script_.push_back(answer);
}

void ScriptedUi::setRecordFile(const std::string& path) {
  std::lock_guard<std::mutex> lock(gScriptLock);
  recordFile_ = path;
}

std::vector<std::vector<std::string>> ScriptedUi::eventsOf(const std::string& kind) const {
  std::lock_guard<std::mutex> lock(gScriptLock);
  std::vector<std::vector<std::string>> result;
  for (const auto& event : events_) {
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    for (;;) {
      std::string::size_type tab = event.find('\t', start);
      fields.push_back(unescapeRecordField(
          event.substr(start, tab == std::string::npos ? std::string::npos : tab - start)));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    if (fields[0] != kind) continue;
    fields.erase(fields.begin());
    result.push_back(fields);
  }
  return result;
}

void ScriptedUi::record(const std::vector<std::string>& fields) {
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i) line += '\t';
    line += escapeRecordField(fields[i]);
  }
  std::lock_guard<std::mutex> lock(gScriptLock);
  events_.push_back(line);
  if (recordFile_.empty()) return;
  std::FILE* f = std::fopen(recordFile_.c_str(), "ab");
  if (!f) return;
  // One buffer that holds the whole line, so it reaches the file in a single
  // append write and lines of different processes never interleave.
  line += '\n';
  std::vector<char> buffer(line.size() + 64);
  std::setvbuf(f, buffer.data(), _IOFBF, buffer.size());
  std::fwrite(line.data(), 1, line.size(), f);
  std::fclose(f);
}

bool ScriptedUi::nextAnswer(const std::string& kind, std::string* answer) {
  std::lock_guard<std::mutex> lock(gScriptLock);
  for (auto& entry : script_) {
    if (entry.used || entry.kind != kind) continue;
    entry.used = true;
    *answer = entry.value;
    return true;
  }
  return false;
}

int ScriptedUi::messageBox(const std::string& text, const std::string& caption, unsigned flags) {
  int result = defaultButton(flags);
  std::string answer;
  if (nextAnswer("message", &answer)) {
    std::string word = lower(answer);
    for (const auto& b : kButtonNames)
      if (word == b.name) result = b.id;
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%x", flags);
  record({"message", hex, caption, text, buttonName(result)});
  return result;
}

std::unique_ptr<ProgressWindow> ScriptedUi::openProgressWindow(const std::string& text) {
  return std::unique_ptr<ProgressWindow>(new ScriptedProgress(this, text));
}

std::unique_ptr<StatusWindow> ScriptedUi::openStatusWindow(const std::string& caption,
                                                           const std::string& text) {
  return std::unique_ptr<StatusWindow>(new ScriptedStatus(this, caption, text));
}

SaveAsResult ScriptedUi::saveAs(const SaveAsRequest& request) {
  SaveAsResult result;
  result.filterIndex = request.filterIndex;
  int filter = 0;
  {
    std::lock_guard<std::mutex> lock(gScriptLock);
    for (auto& entry : script_) {
      if (entry.used || entry.kind != "saveas") continue;
      entry.used = true;
      if (entry.value != "<cancel>") {
        result.accepted = true;
        result.path = entry.value;
        filter = entry.filterIndex;
      }
      break;
    }
  }
  if (result.accepted && filter > 0) result.filterIndex = filter;
  record({"saveas", request.initialFolder, request.initialName, number(request.filterIndex),
          result.accepted ? result.path : "<cancel>", number(result.filterIndex)});
  return result;
}

int ScriptedUi::fileExistsDialog() {
  static const char* const kChoices[] = {"cancel", "replace", "append", "prepend"};
  int result = 0;
  std::string answer;
  if (nextAnswer("fileexists", &answer)) {
    std::string word = lower(answer);
    for (int i = 0; i < 4; ++i)
      if (word == kChoices[i]) result = i;
  }
  record({"fileexists", kChoices[result]});
  return result;
}

int ScriptedUi::passwordDialog(std::string* password) {
  std::string answer;
  // OK on an empty field keeps the dialog open: take the next answer.
  while (nextAnswer("password", &answer)) {
    if (answer == "<cancel>") break;
    if (answer == "<unavailable>") {
      record({"password", "<unavailable>"});
      return -1;
    }
    if (answer.empty()) continue;
    if (password) *password = answer;
    record({"password", answer});
    return 0;
  }
  record({"password", "<cancel>"});
  return 1;
}

int ScriptedUi::profileNameDialog(const std::string& initialName, std::string* name) {
  std::string answer;
  if (nextAnswer("profilename", &answer) && answer != "<cancel>") {
    if (name) *name = answer;
    record({"profilename", initialName, answer});
    return 1;
  }
  record({"profilename", initialName, "<cancel>"});
  return 0;
}

void ScriptedUi::setCursor(Cursor cursor) {
  record({"cursor", cursor == Cursor::kWait ? "wait" : "arrow"});
}

bool ScriptedUi::copyToClipboard(const std::string& text) {
  record({"clipboard", text});
  return true;
}

}  // namespace platform
