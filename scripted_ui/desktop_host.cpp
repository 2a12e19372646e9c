// The program's side of a desktop backend: the script that drives its real
// windows and the record of what they showed, kept by a scripted user
// interface that never shows anything itself, and the program's images.
#include "scripted_ui/desktop_host.h"

#include <memory>

#include "platform/files.h"
#include "platform/process.h"
#include "scripted_ui/scripted_ui.h"

namespace platform {

namespace {

std::string number(long value) { return std::to_string(value); }

bool isList(ControlKind kind) {
  return kind == ControlKind::kDropDownList || kind == ControlKind::kTabControl;
}

bool isBox(ControlKind kind) {
  return kind == ControlKind::kCheckBox || kind == ControlKind::kRadioButton;
}

class EnvironmentHost : public DesktopHost {
 public:
  // Called when the user interface is chosen, before a backend uses it.
  void load() {
    lines_.reset(new ScriptedUi);
    driven_ = false;
    shots_.clear();
#ifdef VELLORA_TEST_HOOKS
    // Driving the real windows is for tests and screenshots; the programs
    // that ship answer their windows only through the person at them.
    std::string script;
    if (getEnvironment("VELLORA_DESKTOP_SCRIPT", &script) && !script.empty()) {
      driven_ = true;
      TextReader reader;
      if (reader.open(script)) {
        std::string line;
        while (reader.readLine(&line)) lines_->addScriptLine(line);
      }
    }
    getEnvironment("VELLORA_DESKTOP_SHOTS", &shots_);
#endif
    std::string log;
    if (getEnvironment("VELLORA_UI_LOG", &log) && !log.empty()) lines_->setRecordFile(log);
  }

  bool driven() const override { return driven_; }

  bool nextStep(const std::string& answerKind, DriveStep* step) override {
    ScriptedUi::Line line;
    if (!lines_->nextStep(answerKind, &line)) return false;
    step->kind = line.kind;
    step->value = line.value;
    step->text = line.text;
    step->filterIndex = line.filterIndex;
    return true;
  }

  bool nextAnswer(const std::string& kind, std::string* answer) override {
    return lines_->nextAnswer(kind, answer);
  }

  bool takeUnavailable(const std::string& name) override { return lines_->takeUnavailable(name); }

  void record(const std::vector<std::string>& fields) override { lines_->record(fields); }

  void snapshot(const Dialog& dialog, const std::vector<const Dialog*>& pages,
                const std::string& moment, int bigIcon, bool saveAs) override {
    const DialogTemplate& source = dialog.dialogTemplate();
    record({"snapshot", number(source.id), moment});
    if (saveAs)
      record({"file", dialog.folder(), dialog.fileName(), number(dialog.filterIndex())});
    PixelRect w = dialog.windowRect();
    record({"placement", number(source.id), number(w.x), number(w.y), number(w.width),
            number(w.height), number(bigIcon)});
    std::vector<const Dialog*> parts = {&dialog};
    parts.insert(parts.end(), pages.begin(), pages.end());
    for (const Dialog* part : parts) recordControls(*part);
  }

  const ImageResource* image(int id) override { return findImageResource(id); }

  std::string screenshotPath(const std::string& name) override {
    if (shots_.empty()) return std::string();
    createDirectories(shots_);
    return shots_ + kPathSeparator + name + ".png";
  }

 private:
  // One control line per control of the template, as the scripted backend
  // writes them; controls sharing an id (unnamed labels) show as the first.
  void recordControls(const Dialog& part) {
    const DialogTemplate& source = part.dialogTemplate();
    for (std::size_t i = 0; i < source.controlCount; ++i) {
      const ControlTemplate& c = source.controls[i];
      if (!part.hasControl(c.id)) continue;
      std::string entries;
      int count = isList(c.kind) ? part.listCount(c.id) : 0;
      for (int e = 0; e < count; ++e) entries += (e ? "|" : "") + part.listEntry(c.id, e);
      record({"control", number(source.id), number(c.id),
              !part.isVisible(c.id) ? "hidden" : part.isEnabled(c.id) ? "enabled" : "disabled",
              isBox(c.kind) ? (part.isChecked(c.id) ? "1" : "0") : "-", part.text(c.id),
              isList(c.kind) ? number(part.selection(c.id)) : "-", entries});
    }
  }

  std::unique_ptr<ScriptedUi> lines_;
  bool driven_ = false;
  std::string shots_;
};

}  // namespace

DesktopHost& desktopHost() {
  // Never destroyed: the backend it is handed to lives for the whole process.
  static EnvironmentHost* host = new EnvironmentHost;
  host->load();
  return *host;
}

}  // namespace platform
