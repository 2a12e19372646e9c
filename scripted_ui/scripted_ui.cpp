// The scripted user interface. Every event is also appended to the record
// file at once (open, one line, close), because the converter, the installer
// and the programs they start may all write to the same record while a test
// reads it.
#include "scripted_ui/scripted_ui.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/ui_text.h"
#include "scripted_ui/scripted_dialog.h"

namespace platform {

namespace {

std::mutex gScriptLock;

// How long "wait" (and "choose" of an entry not there yet) waits for
// background threads.
constexpr auto kSettleLimit = std::chrono::seconds(10);

const char* const kActionKinds[] = {"check",  "clear",  "click",  "choose", "type",
                                    "tab",    "filetype", "name", "accept", "cancel",
                                    "wait",   "screenshot", "pause"};

bool isAction(const std::string& kind) {
  for (const char* action : kActionKinds)
    if (kind == action) return true;
  return false;
}

std::string number(long value) { return std::to_string(value); }

std::string separatorsOf(const std::string& path) {
  return path.find('\\') != std::string::npos && path.find('/') == std::string::npos ? "\\" : "/";
}

bool isAbsolute(const std::string& path) {
  if (path.empty()) return false;
  if (path[0] == '/' || path[0] == '\\') return true;
  return path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}

std::string::size_type lastSeparator(const std::string& path) {
  return path.find_last_of("/\\");
}

// A control named by a script line: "ID" or "TEMPLATE/ID".
struct Target {
  ScriptedDialog* dialog = nullptr;
  ScriptedControl* control = nullptr;
};

Target findTarget(ScriptedDialog& dialog, const std::string& name) {
  const ScriptControlName wanted = parseScriptControlName(name);
  std::vector<ScriptedDialog*> candidates = {&dialog};
  for (ScriptedDialog* page : dialog.pages()) candidates.push_back(page);
  for (ScriptedDialog* candidate : candidates) {
    if (wanted.templateId != 0 && candidate->dialogTemplate().id != wanted.templateId) continue;
    if (ScriptedControl* control = candidate->find(wanted.id)) return {candidate, control};
  }
  return {};
}

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

ScriptedUi::ScriptedUi() : hub_(std::make_shared<ScriptedPostHub>()) {
  screen_.width = 1280;
  screen_.height = 1024;
}

ScriptedUi::~ScriptedUi() = default;

ScriptedUi* ScriptedUi::fromEnvironment() {
  ScriptedUi* ui = new ScriptedUi;
  std::string script;
  if (getEnvironment("VELLORA_UI_SCRIPT", &script) && !script.empty()) {
    ui->origin_ = "scripted: answers from VELLORA_UI_SCRIPT " + script;
    TextReader reader;
    if (reader.open(script)) {
      std::string line;
      while (reader.readLine(&line)) ui->addScriptLine(line);
    }
  } else {
    ui->interactive_ = false;
    ui->origin_ = "none: no desktop user interface and no script (VELLORA_UI_SCRIPT)";
  }
  std::string log;
  if (getEnvironment("VELLORA_UI_LOG", &log) && !log.empty()) ui->setRecordFile(log);
  return ui;
}

std::string ScriptedUi::description() const { return origin_; }

void ScriptedUi::addScriptLine(const std::string& line) {
  std::string text = trimText(line);
  if (text.empty() || text[0] == '#') return;
  std::string::size_type colon = text.find(':');
  if (colon == std::string::npos) return;
  Line entry;
  entry.kind = lowerText(trimText(text.substr(0, colon)));
  entry.value = trimText(text.substr(colon + 1));
  entry.text = text;
  std::lock_guard<std::mutex> lock(gScriptLock);
  if (entry.kind == "screen") {
    int width = 0, height = 0, ppi = 96;
    if (std::sscanf(entry.value.c_str(), "%d %d %d", &width, &height, &ppi) >= 2 && width > 0 &&
        height > 0 && ppi > 0) {
      screen_.width = width;
      screen_.height = height;
      screen_.pixelsPerInchX = screen_.pixelsPerInchY = ppi;
    }
    return;
  }
  if (entry.kind == "saveas") {
    // A saveas-filter line belongs to the first saveas line after it.
    for (auto it = script_.rbegin(); it != script_.rend() && it->kind != "saveas"; ++it) {
      if (it->kind == "saveas-filter" && !it->used) {
        entry.filterIndex = std::atoi(it->value.c_str());
        it->used = true;
        break;
      }
    }
  }
  script_.push_back(entry);
}

void ScriptedUi::setRecordFile(const std::string& path) {
  std::lock_guard<std::mutex> lock(gScriptLock);
  recordFile_ = path;
}

std::vector<std::string> ScriptedUi::events() const {
  std::lock_guard<std::mutex> lock(gScriptLock);
  return events_;
}

void ScriptedUi::clearEvents() {
  std::lock_guard<std::mutex> lock(gScriptLock);
  events_.clear();
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

bool ScriptedUi::nextStep(const std::string& answerKind, Line* line) {
  std::lock_guard<std::mutex> lock(gScriptLock);
  for (auto& entry : script_) {
    if (entry.used || (!isAction(entry.kind) && entry.kind != answerKind)) continue;
    entry.used = true;
    *line = entry;
    return true;
  }
  return false;
}

int ScriptedUi::messageBox(const std::string& text, const std::string& caption, unsigned flags,
                           const Dialog*) {
  int result = interactive_ ? defaultMessageBoxButton(flags) : safeMessageBoxButton(flags);
  std::string answer;
  if (interactive_ && nextAnswer("message", &answer)) {
    int named = messageBoxButtonByName(answer);
    if (named) result = named;
  }
  record(messageBoxRecord(text, caption, flags, result));
  return result;
}

void ScriptedUi::runPosted(bool settle) {
  auto deadline = std::chrono::steady_clock::now() + kSettleLimit;
  for (;;) {
    decltype(hub_->queue) work;
    {
      std::unique_lock<std::mutex> lock(hub_->lock);
      if (settle)
        hub_->changed.wait_until(lock, deadline,
                                 [&] { return !hub_->queue.empty() || hub_->posters == 0; });
      work.swap(hub_->queue);
    }
    // The dialogs live on this thread, so one still alive now stays alive
    // while its function runs.
    for (auto& item : work)
      if (item.first->alive && item.first->dialog) item.second(*item.first->dialog);
    if (!settle) return;
    std::lock_guard<std::mutex> lock(hub_->lock);
    if ((hub_->posters == 0 && hub_->queue.empty()) || std::chrono::steady_clock::now() >= deadline)
      return;
  }
}

void ScriptedUi::snapshot(const ScriptedDialog& dialog, const std::string& moment) {
  const DialogTemplate& source = dialog.dialogTemplate();
  record({"snapshot", number(source.id), moment});
  if (dialog.kind() == ScriptedDialog::Kind::kSaveAsArea)
    record({"file", dialog.folder(), dialog.fileName(), number(dialog.filterIndex())});
  PixelRect w = dialog.windowRect();
  record({"placement", number(source.id), number(w.x), number(w.y), number(w.width),
          number(w.height), number(dialog.bigIcon())});
  std::vector<const ScriptedDialog*> parts = {&dialog};
  for (const ScriptedDialog* page : dialog.pages()) parts.push_back(page);
  for (const ScriptedDialog* part : parts) {
    for (const ScriptedControl& c : part->controls()) {
      if (!c.alive) continue;
      ControlKind kind = c.source->kind;
      bool list = kind == ControlKind::kDropDownList || kind == ControlKind::kTabControl;
      bool box = kind == ControlKind::kCheckBox || kind == ControlKind::kRadioButton;
      std::string entries;
      for (std::size_t i = 0; i < c.entries.size(); ++i) entries += (i ? "|" : "") + c.entries[i];
      record({"control", number(part->dialogTemplate().id), number(c.source->id),
              !c.visible ? "hidden" : c.enabled ? "enabled" : "disabled",
              box ? (c.checked ? "1" : "0") : "-", part->text(c.source->id),
              list ? number(c.selection) : "-", entries});
    }
  }
}

void ScriptedUi::act(ScriptedDialog& dialog, const Line& line, DialogHandler& handler) {
  const int templateId = dialog.dialogTemplate().id;
  auto refuse = [&](const std::string& why) {
    record({"refused", number(templateId), line.text, why});
  };
  record({"action", number(templateId), line.text});
  if (line.kind == "wait") {
    runPosted(true);
    return;
  }
  // Only real windows can be photographed or left open for a while.
  if (line.kind == "screenshot" || line.kind == "pause") return;
  std::string first, rest;
  splitFirstWord(line.value, &first, &rest);
  if (line.kind == "tab") {
    rest = line.value;
    first.clear();
    for (const ScriptedControl& c : dialog.controls())
      if (c.alive && c.source->kind == ControlKind::kTabControl) first = number(c.source->id);
    if (first.empty()) return refuse("no tab control");
  }
  if (line.kind == "check" || line.kind == "clear" || line.kind == "click" ||
      line.kind == "choose" || line.kind == "type" || line.kind == "tab") {
    Target target = findTarget(dialog, first);
    if (!target.control) return refuse("no such control");
    if (!target.control->visible) return refuse("hidden");
    if (!target.control->enabled) return refuse("disabled");
    ScriptedDialog& owner = *target.dialog;
    DialogHandler* events = &owner == &dialog ? &handler : owner.handler();
    const int id = target.control->source->id;
    ControlKind kind = target.control->source->kind;
    if (line.kind == "type") {
      if (kind != ControlKind::kEdit && kind != ControlKind::kPasswordEdit)
        return refuse("not an edit");
      target.control->text = rest;
      return;
    }
    if (line.kind == "choose" || line.kind == "tab") {
      if (kind != ControlKind::kDropDownList && kind != ControlKind::kTabControl)
        return refuse("not a list");
      int index = findEntryByText(target.control->entries, rest);
      if (index < 0) {
        // The entry may still be on its way from a background thread.
        runPosted(true);
        target = findTarget(dialog, first);
        if (!target.control) return refuse("no such control");
        index = findEntryByText(target.control->entries, rest);
        if (index < 0) return refuse("no such entry");
      }
      bool changed = target.control->selection != index;
      target.control->selection = index;
      if (kind == ControlKind::kTabControl) {
        if (changed && events) events->tabChanged(owner, id);
      } else if (events) {
        events->selectionChanged(owner, id);
      }
      return;
    }
    bool box = kind == ControlKind::kCheckBox;
    bool radio = kind == ControlKind::kRadioButton;
    if (!box && !radio && kind != ControlKind::kPushButton) return refuse("not a button");
    if (line.kind == "clear" && !box) return refuse("not a check box");
    if (line.kind == "check" && !box && !radio) return refuse("not a check box");
    if (line.kind == "check" && target.control->checked) return;
    if (line.kind == "clear" && !target.control->checked) return;
    if (box) target.control->checked = !target.control->checked;
    if (radio) owner.checkRadio(id);
    if (events) events->clicked(owner, id);
    return;
  }
  refuse("not an action for this dialog");
}

void ScriptedUi::actOnModal(ScriptedDialog& dialog, const Line& line, DialogHandler& handler) {
  if (line.kind == "cancel" || line.value == "<cancel>") {
    record({"action", number(dialog.dialogTemplate().id), line.text});
    handler.clicked(dialog, kCloseCommand);
    return;
  }
  if (isAction(line.kind)) return act(dialog, line, handler);
  // An answer: a button by its caption, else text for the edit and Enter.
  record({"action", number(dialog.dialogTemplate().id), line.text});
  const ScriptedControl* button = nullptr;
  const ScriptedControl* defaultButton = nullptr;
  ScriptedControl* edit = nullptr;
  for (const ScriptedControl& c : dialog.controls()) {
    if (!c.alive) continue;
    if (c.source->kind == ControlKind::kPushButton) {
      if (lowerText(readableCaption(c.source->text)) == lowerText(line.value)) button = &c;
      if (c.source->style & kStyleDefaultButton) defaultButton = &c;
    }
    if (!edit && (c.source->kind == ControlKind::kEdit || c.source->kind == ControlKind::kPasswordEdit))
      edit = dialog.find(c.source->id);
  }
  if (!button) {
    if (edit && edit->enabled && edit->visible) edit->text = line.value;
    button = defaultButton;
  }
  if (!button || !button->enabled || !button->visible) {
    record({"refused", number(dialog.dialogTemplate().id), line.text, "no button to press"});
    return;
  }
  handler.clicked(dialog, button->source->id);
}

bool ScriptedUi::takeUnavailable(const std::string& name) {
  std::lock_guard<std::mutex> lock(gScriptLock);
  for (auto& entry : script_) {
    if (entry.used || (!isAction(entry.kind) && entry.kind != name)) continue;
    if (entry.kind != name || entry.value != "<unavailable>") return false;
    entry.used = true;
    return true;
  }
  return false;
}

int ScriptedUi::runModal(const DialogTemplate& source, DialogHandler& handler) {
  const std::string name = source.name ? lowerText(source.name) : std::string();
  // "<unavailable>" stands for a dialog that could not even be created.
  if (!interactive_ || takeUnavailable(name)) {
    record({"window", "unavailable", number(source.id)});
    return kDialogUnavailable;
  }
  ScriptedDialog dialog(*this, source, ScriptedDialog::Kind::kModal);
  dialog.setHandler(&handler);
  record({"window", "open", number(source.id), source.caption ? source.caption : ""});
  handler.initialised(dialog);
  if (!dialog.ended()) snapshot(dialog, "start");
  while (!dialog.ended()) {
    runPosted(false);
    Line line;
    if (!nextStep(name, &line)) {
      // Nothing left to do: the user closes the window.
      handler.clicked(dialog, kCloseCommand);
      if (!dialog.ended()) {
        record({"refused", number(source.id), "<close>", "the dialog stays open"});
        dialog.end(kDialogUnavailable);
      }
      break;
    }
    actOnModal(dialog, line, handler);
    if (!dialog.ended()) snapshot(dialog, line.text);
  }
  snapshot(dialog, "end");
  handler.closing(dialog);
  record({"window", "close", number(source.id), number(dialog.result())});
  return dialog.result();
}

std::unique_ptr<Dialog> ScriptedUi::openModeless(const DialogTemplate& source,
                                                 DialogHandler* handler) {
  std::unique_ptr<ScriptedDialog> dialog(
      new ScriptedDialog(*this, source, ScriptedDialog::Kind::kModeless));
  dialog->setHandler(handler);
  record({"window", "open", number(source.id), source.caption ? source.caption : ""});
  if (handler) handler->initialised(*dialog);
  return std::unique_ptr<Dialog>(dialog.release());
}

SaveAsResult ScriptedUi::runSaveAs(const SaveAsRequest& request, const DialogTemplate& customArea,
                                   DialogHandler& hook) {
  SaveAsResult result;
  if (!interactive_) {
    result.status = SaveAsStatus::kUnavailable;
    record({"window", "unavailable", number(customArea.id)});
    return result;
  }
  ScriptedDialog dialog(*this, customArea, ScriptedDialog::Kind::kSaveAsArea);
  dialog.setHandler(&hook);
  dialog.setUpSaveAs(request);
  record({"window", "open", number(customArea.id), request.title});
  hook.initialised(dialog);
  snapshot(dialog, "start");

  bool done = false;
  while (!done) {
    runPosted(false);
    Line line;
    if (!nextStep("saveas", &line) || line.kind == "cancel" || line.value == "<cancel>") {
      if (line.kind == "cancel" || line.kind == "saveas")
        record({"action", number(customArea.id), line.text});
      result.status = SaveAsStatus::kCancelled;
      snapshot(dialog, "cancel");
      break;
    }
    if (line.kind == "filetype" || (line.kind == "saveas" && line.filterIndex > 0)) {
      int index = std::atoi((line.kind == "filetype" ? line.value : number(line.filterIndex)).c_str());
      if (line.kind == "filetype") record({"action", number(customArea.id), line.text});
      if (index < 1 || index > static_cast<int>(request.filters.size())) {
        record({"refused", number(customArea.id), line.text, "no such file type"});
      } else if (index != dialog.filterIndex()) {
        dialog.setFilterIndex(index);
        hook.fileTypeChanged(dialog, index);
      }
      if (line.kind == "filetype") {
        snapshot(dialog, line.text);
        continue;
      }
    }
    if (line.kind == "name") {
      record({"action", number(customArea.id), line.text});
      dialog.setFileName(line.value, false);
      snapshot(dialog, line.text);
      continue;
    }
    if (line.kind != "accept" && line.kind != "saveas") {
      act(dialog, line, hook);
      snapshot(dialog, line.text);
      continue;
    }
    // Save is pressed.
    record({"action", number(customArea.id), line.text});
    if (!line.value.empty()) dialog.setFileName(line.value, false);
    std::string name = dialog.fileName();
    auto refuse = [&](const std::string& why) {
      record({"refused", number(customArea.id), line.text, why});
      snapshot(dialog, line.text);
    };
    if (name.empty()) {
      refuse("no file name");
      continue;
    }
    std::string full = isAbsolute(name) ? name : dialog.folder() + separatorsOf(dialog.folder()) + name;
    std::string::size_type slash = lastSeparator(full);
    std::string leaf = slash == std::string::npos ? full : full.substr(slash + 1);
    if (leaf.find('.') == std::string::npos) {
      std::string extension = typeExtension(request, dialog.filterIndex());
      if (!extension.empty()) full += "." + extension;
    }
    if (full.size() > request.nameCapacity) {
      refuse("name too long");
      continue;
    }
    // The dialog goes to the chosen folder, as the real one does.
    if (slash != std::string::npos) {
      dialog.setFolder(full.substr(0, slash == 0 ? 1 : slash));
      dialog.setFileName(full.substr(slash + 1), false);
    }
    if (!hook.nameAccepted(dialog, full)) {
      snapshot(dialog, line.text);
      continue;
    }
    result.status = SaveAsStatus::kAccepted;
    result.path = full;
    snapshot(dialog, "accept");
    done = true;
  }
  result.filterIndex = dialog.filterIndex();
  hook.closing(dialog);
  record({"window", "close", number(customArea.id), result.accepted() ? "1" : "0"});
  record({"saveas", request.initialFolder, request.initialName, number(request.filterIndex),
          result.accepted() ? result.path : "<cancel>", number(result.filterIndex)});
  return result;
}

void ScriptedUi::setCursor(Cursor cursor) {
  record({"cursor", cursor == Cursor::kWait ? "wait" : "arrow"});
}

bool ScriptedUi::copyToClipboard(const std::string& text) {
  record({"clipboard", text});
  return true;
}

int ScriptedUi::bringWindowsForward(const std::string& windowClass) {
  record({"forward", windowClass});
  return 0;
}

}  // namespace platform
