#include "platform/headless_ui.h"

#include <algorithm>
#include <cctype>

#include "platform/process.h"
#include "platform/ui_record.h"
#include "platform/ui_text.h"

namespace platform {

namespace {

std::string number(long value) { return std::to_string(value); }

bool isList(ControlKind kind) {
  return kind == ControlKind::kDropDownList || kind == ControlKind::kTabControl;
}

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Nothing runs posted work where nobody looks: the window is as good as gone.
class DroppingPoster : public DialogPoster {
 public:
  bool post(std::function<void(Dialog&)>) override { return false; }
};

// A modeless window nobody sees: it keeps what the program sets and records
// its texts and progress as they change. It has no place on a screen: its
// geometry reads as empty.
class HeadlessWindow : public Dialog {
 public:
  HeadlessWindow(const HeadlessUi& ui, const DialogTemplate& source) : ui_(ui), source_(source) {
    visible_ = (source.style & kDialogVisible) != 0;
    for (std::size_t i = 0; i < source.controlCount; ++i) {
      Control c;
      c.source = &source.controls[i];
      c.visible = (c.source->style & kStyleHidden) == 0;
      c.enabled = (c.source->style & kStyleDisabled) == 0;
      if (!isList(c.source->kind) && c.source->text) c.text = c.source->text;
      controls_.push_back(c);
    }
  }
  ~HeadlessWindow() override { ui_.record({"window", "close", number(source_.id), "0"}); }

  const DialogTemplate& dialogTemplate() const override { return source_; }
  bool hasControl(int id) const override { return find(id) != nullptr; }
  bool isChecked(int id) const override {
    const Control* c = find(id);
    return c && c->checked;
  }
  void setChecked(int id, bool checked) override {
    if (Control* c = find(id)) c->checked = checked;
  }
  std::string text(int id) const override {
    const Control* c = find(id);
    if (!c) return std::string();
    if (!isList(c->source->kind)) return c->text;
    return c->selection >= 0 ? c->entries[static_cast<std::size_t>(c->selection)] : std::string();
  }
  void setText(int id, const std::string& text) override {
    Control* c = find(id);
    if (!c || isList(c->source->kind)) return;
    c->text = text;
    ui_.record({"text", number(source_.id), number(id), text});
  }
  void clearList(int id) override {
    if (Control* c = find(id)) {
      c->entries.clear();
      c->selection = -1;
    }
  }
  int addListEntry(int id, const std::string& text) override {
    Control* c = find(id);
    if (!c) return -1;
    auto at = c->entries.end();
    if (c->source->style & kStyleSorted)
      at = std::find_if(c->entries.begin(), c->entries.end(),
                        [&](const std::string& e) { return lower(e) > lower(text); });
    int index = static_cast<int>(at - c->entries.begin());
    c->entries.insert(at, text);
    if (c->selection >= index) ++c->selection;
    return index;
  }
  int listCount(int id) const override {
    const Control* c = find(id);
    return c ? static_cast<int>(c->entries.size()) : 0;
  }
  std::string listEntry(int id, int index) const override {
    const Control* c = find(id);
    if (!c || index < 0 || index >= static_cast<int>(c->entries.size())) return std::string();
    return c->entries[static_cast<std::size_t>(index)];
  }
  int selection(int id) const override {
    const Control* c = find(id);
    return c ? c->selection : -1;
  }
  void select(int id, int index) override {
    if (Control* c = find(id))
      c->selection = index >= 0 && index < static_cast<int>(c->entries.size()) ? index : -1;
  }
  void setProgressRange(int id, int low, int high) override {
    if (find(id)) ui_.record({"progress", "range", number(low), number(high)});
  }
  void setProgressStep(int id, int step) override {
    if (find(id)) ui_.record({"progress", "step", number(step)});
  }
  void setProgressPosition(int id, int position) override {
    Control* c = find(id);
    if (!c || c->position == position) return;
    c->position = position;
    ui_.record({"progress", "position", number(position)});
  }
  void enable(int id, bool enabled) override {
    if (Control* c = find(id)) c->enabled = enabled;
  }
  bool isEnabled(int id) const override {
    const Control* c = find(id);
    return c && c->enabled;
  }
  void show(int id, bool visible) override {
    if (Control* c = find(id)) c->visible = visible;
  }
  bool isVisible(int id) const override {
    const Control* c = find(id);
    return c && c->visible;
  }
  void destroyControl(int id) override {
    if (Control* c = find(id)) c->alive = false;
  }
  PixelRect controlRect(int) const override { return PixelRect(); }
  PixelRect screenRect(int) const override { return PixelRect(); }
  void moveControl(int, const PixelRect&) override {}
  PixelRect windowRect() const override { return PixelRect(); }
  void setWindowRect(const PixelRect&) override {}
  PixelRect toPixels(const DialogUnits&) const override { return PixelRect(); }
  ScreenMetrics screen() const override { return ScreenMetrics(); }
  void setBigIcon(int) override {}
  void showWindow(bool visible) override {
    if (visible_ == visible) return;
    visible_ = visible;
    ui_.record({"window", visible ? "show" : "hide", number(source_.id)});
  }
  void bringToFront() override {}
  void repaint() override {}
  void end(int) override {}
  std::string fileName() const override { return std::string(); }
  void setFileName(const std::string&, bool) override {}
  std::string folder() const override { return std::string(); }
  int filterIndex() const override { return 0; }
  void setFilterIndex(int) override {}
  std::unique_ptr<Dialog> createPage(int, const DialogTemplate&, DialogHandler*) override {
    return nullptr;
  }
  std::shared_ptr<DialogPoster> poster() override { return std::make_shared<DroppingPoster>(); }

 private:
  struct Control {
    const ControlTemplate* source = nullptr;
    bool alive = true;
    bool visible = true;
    bool enabled = true;
    bool checked = false;
    std::string text;
    std::vector<std::string> entries;
    int selection = -1;
    int position = 0;
  };
  Control* find(int id) {
    for (Control& c : controls_)
      if (c.alive && c.source->id == id) return &c;
    return nullptr;
  }
  const Control* find(int id) const { return const_cast<HeadlessWindow*>(this)->find(id); }

  const HeadlessUi& ui_;
  const DialogTemplate& source_;
  std::vector<Control> controls_;
  bool visible_ = false;
};

}  // namespace

HeadlessUi::HeadlessUi(const std::string& why, const std::string& recordFile)
    : description_("none: no desktop user interface and no script (VELLORA_UI_SCRIPT): " + why),
      recordFile_(recordFile) {}

HeadlessUi* HeadlessUi::fromEnvironment(const std::string& why) {
  std::string log;
  getEnvironment("VELLORA_UI_LOG", &log);
  return new HeadlessUi(why, log);
}

void HeadlessUi::record(const std::vector<std::string>& fields) const {
  if (!recordFile_.empty()) appendRecordLine(recordFile_, recordLine(fields));
}

int HeadlessUi::messageBox(const std::string& text, const std::string& caption, unsigned flags,
                           const Dialog*) {
  const int answer = safeMessageBoxButton(flags);
  record(messageBoxRecord(text, caption, flags, answer));
  return answer;
}

int HeadlessUi::runModal(const DialogTemplate& dialog, DialogHandler&) {
  record({"window", "unavailable", number(dialog.id)});
  return kDialogUnavailable;
}

std::unique_ptr<Dialog> HeadlessUi::openModeless(const DialogTemplate& dialog,
                                                 DialogHandler* handler) {
  std::unique_ptr<Dialog> window(new HeadlessWindow(*this, dialog));
  record({"window", "open", number(dialog.id), dialog.caption ? dialog.caption : ""});
  if (handler) handler->initialised(*window);
  return window;
}

SaveAsResult HeadlessUi::runSaveAs(const SaveAsRequest&, const DialogTemplate& customArea,
                                   DialogHandler&) {
  record({"window", "unavailable", number(customArea.id)});
  SaveAsResult result;
  result.status = SaveAsStatus::kUnavailable;
  return result;
}

void HeadlessUi::setCursor(Cursor cursor) {
  record({"cursor", cursor == Cursor::kWait ? "wait" : "arrow"});
}

bool HeadlessUi::copyToClipboard(const std::string& text) {
  record({"clipboard", text});
  return false;
}

int HeadlessUi::bringWindowsForward(const std::string& windowClass) {
  record({"forward", windowClass});
  return 0;
}

}  // namespace platform
