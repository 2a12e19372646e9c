#include "scripted_ui/scripted_dialog.h"

#include <algorithm>
#include <cctype>

#include "scripted_ui/scripted_ui.h"

namespace platform {

namespace {

// The dialog font's base units at 96 pixels per inch (8-point MS Shell Dlg):
// average character width and height.
constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;
// A framed window's border and title bar, at 96 pixels per inch.
constexpr int kBorder = 3;
constexpr int kTitleBar = 23;
// The standard part of a Save As dialog at 96 pixels per inch: its width,
// the height above the custom area, and the Cancel button's place.
constexpr int kSaveAsWidth = 563;
constexpr int kSaveAsStandardHeight = 330;
constexpr int kCancelWidth = 75, kCancelHeight = 23, kCancelRightGap = 15, kCancelBottomGap = 17;
// Where a page sits inside its tab control: below the row of tabs.
constexpr int kTabInsetX = 4, kTabInsetY = 24;

int scaled(int pixels, int ppi) { return (pixels * ppi + 48) / 96; }

int mulDiv(int value, int numerator, int denominator) {
  long long product = static_cast<long long>(value) * numerator;
  long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator
                                       : (product - half) / denominator);
}

std::string number(long value) { return std::to_string(value); }

}  // namespace

ScriptedDialog::ScriptedDialog(ScriptedUi& ui, const DialogTemplate& source, Kind kind)
    : ui_(ui), source_(source), kind_(kind), target_(std::make_shared<ScriptedPostTarget>()) {
  target_->dialog = this;
  const ScreenMetrics& s = ui_.screen();
  PixelRect client = toPixels({0, 0, source_.width, source_.height});
  if (kind_ == Kind::kSaveAsArea) {
    window_.width = std::max(scaled(kSaveAsWidth, s.pixelsPerInchX),
                             client.width + 2 * scaled(kBorder, s.pixelsPerInchX));
    window_.height = scaled(kSaveAsStandardHeight, s.pixelsPerInchY) + client.height +
                     scaled(kBorder, s.pixelsPerInchY);
  } else {
    bool framed = (source_.style & kDialogCaption) != 0;
    window_.width = client.width + (framed ? 2 * scaled(kBorder, s.pixelsPerInchX) : 0);
    window_.height =
        client.height + (framed ? scaled(kTitleBar + 2 * kBorder, s.pixelsPerInchY) : 0);
  }
  // Windows places a dialog without a position of its own near the top left;
  // centred ones (and the Save As dialog) in the middle of the screen.
  if (kind_ == Kind::kSaveAsArea || (source_.style & kDialogCentred)) {
    window_.x = std::max(0, (s.width - window_.width) / 2);
    window_.y = std::max(0, (s.height - window_.height) / 2);
  }
  visible_ = kind_ != Kind::kModeless || (source_.style & kDialogVisible) != 0;
  buildControls();
}

ScriptedDialog::ScriptedDialog(ScriptedDialog& parent, const DialogTemplate& source,
                               int tabControlId, DialogHandler* handler)
    : ui_(parent.ui_),
      source_(source),
      kind_(Kind::kPage),
      parent_(&parent),
      handler_(handler),
      target_(std::make_shared<ScriptedPostTarget>()) {
  target_->dialog = this;
  const ScreenMetrics& s = ui_.screen();
  PixelRect tab = parent.controlRect(tabControlId);
  PixelRect size = toPixels({0, 0, source_.width, source_.height});
  placeInParent_ = {tab.x + scaled(kTabInsetX, s.pixelsPerInchX),
                    tab.y + scaled(kTabInsetY, s.pixelsPerInchY), size.width, size.height};
  buildControls();
  parent.pages_.push_back(this);
}

ScriptedDialog::~ScriptedDialog() {
  target_->alive = false;
  target_->dialog = nullptr;
  if (parent_) {
    auto& siblings = parent_->pages_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  // A page kept after its dialog closed stands alone from now on.
  for (ScriptedDialog* page : pages_) page->parent_ = nullptr;
  if (kind_ == Kind::kModeless) ui_.record({"window", "close", number(source_.id), "0"});
}

void ScriptedDialog::buildControls() {
  controls_.clear();
  for (std::size_t i = 0; i < source_.controlCount; ++i) {
    const ControlTemplate& c = source_.controls[i];
    ScriptedControl control;
    control.source = &c;
    control.visible = (c.style & kStyleHidden) == 0;
    control.enabled = (c.style & kStyleDisabled) == 0;
    if (c.kind != ControlKind::kDropDownList && c.kind != ControlKind::kTabControl && c.text)
      control.text = c.text;
    control.rect = toPixels(c.rect);
    controls_.push_back(control);
  }
}

ScriptedDialog& ScriptedDialog::top() { return parent_ ? parent_->top() : *this; }
const ScriptedDialog& ScriptedDialog::top() const { return parent_ ? parent_->top() : *this; }

ScriptedControl* ScriptedDialog::find(int id) {
  for (ScriptedControl& c : controls_)
    if (c.alive && c.source->id == id) return &c;
  return nullptr;
}

const ScriptedControl* ScriptedDialog::find(int id) const {
  for (const ScriptedControl& c : controls_)
    if (c.alive && c.source->id == id) return &c;
  return nullptr;
}

bool ScriptedDialog::isChecked(int id) const {
  const ScriptedControl* c = find(id);
  return c && c->checked;
}

void ScriptedDialog::setChecked(int id, bool checked) {
  if (ScriptedControl* c = find(id)) c->checked = checked;
}

void ScriptedDialog::checkRadio(int id) {
  ScriptedControl* clicked = find(id);
  if (!clicked) return;
  // The group: the run of radio buttons around this one in template order,
  // a kStyleGroup radio starting a new run.
  std::size_t at = static_cast<std::size_t>(clicked - controls_.data());
  auto isRadio = [&](std::size_t i) { return controls_[i].source->kind == ControlKind::kRadioButton; };
  std::size_t first = at;
  while (first > 0 && isRadio(first - 1) && !(controls_[first].source->style & kStyleGroup)) --first;
  std::size_t last = at;
  while (last + 1 < controls_.size() && isRadio(last + 1) &&
         !(controls_[last + 1].source->style & kStyleGroup))
    ++last;
  for (std::size_t i = first; i <= last; ++i) controls_[i].checked = i == at;
}

std::string ScriptedDialog::text(int id) const {
  const ScriptedControl* c = find(id);
  if (!c) return std::string();
  if (c->source->kind == ControlKind::kDropDownList || c->source->kind == ControlKind::kTabControl)
    return c->selection >= 0 ? c->entries[static_cast<std::size_t>(c->selection)] : std::string();
  return c->text;
}

void ScriptedDialog::setText(int id, const std::string& text) {
  ScriptedControl* c = find(id);
  if (!c || c->source->kind == ControlKind::kDropDownList ||
      c->source->kind == ControlKind::kTabControl)
    return;
  c->text = text;
  if (recordsChanges()) ui_.record({"text", number(source_.id), number(id), text});
}

void ScriptedDialog::clearList(int id) {
  if (ScriptedControl* c = find(id)) {
    c->entries.clear();
    c->selection = -1;
  }
}

int ScriptedDialog::addListEntry(int id, const std::string& text) {
  ScriptedControl* c = find(id);
  if (!c) return -1;
  auto at = c->entries.end();
  if (c->source->style & kStyleSorted) {
    auto lower = [](std::string s) {
      for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      return s;
    };
    std::string key = lower(text);
    at = std::find_if(c->entries.begin(), c->entries.end(),
                      [&](const std::string& e) { return lower(e) > key; });
  }
  int index = static_cast<int>(at - c->entries.begin());
  c->entries.insert(at, text);
  if (c->selection >= index) ++c->selection;
  return index;
}

int ScriptedDialog::listCount(int id) const {
  const ScriptedControl* c = find(id);
  return c ? static_cast<int>(c->entries.size()) : 0;
}

std::string ScriptedDialog::listEntry(int id, int index) const {
  const ScriptedControl* c = find(id);
  if (!c || index < 0 || index >= static_cast<int>(c->entries.size())) return std::string();
  return c->entries[static_cast<std::size_t>(index)];
}

int ScriptedDialog::selection(int id) const {
  const ScriptedControl* c = find(id);
  return c ? c->selection : -1;
}

void ScriptedDialog::select(int id, int index) {
  ScriptedControl* c = find(id);
  if (!c) return;
  c->selection = index >= 0 && index < static_cast<int>(c->entries.size()) ? index : -1;
}

void ScriptedDialog::setProgressRange(int id, int low, int high) {
  ScriptedControl* c = find(id);
  if (!c) return;
  c->low = low;
  c->high = high;
  if (recordsChanges()) ui_.record({"progress", "range", number(low), number(high)});
}

void ScriptedDialog::setProgressStep(int id, int step) {
  ScriptedControl* c = find(id);
  if (!c) return;
  c->step = step;
  if (recordsChanges()) ui_.record({"progress", "step", number(step)});
}

void ScriptedDialog::setProgressPosition(int id, int position) {
  ScriptedControl* c = find(id);
  if (!c) return;
  if (position == c->position) return;
  c->position = position;
  if (recordsChanges()) ui_.record({"progress", "position", number(position)});
}

void ScriptedDialog::enable(int id, bool enabled) {
  if (ScriptedControl* c = find(id)) c->enabled = enabled;
}

bool ScriptedDialog::isEnabled(int id) const {
  const ScriptedControl* c = find(id);
  return c && c->enabled;
}

void ScriptedDialog::show(int id, bool visible) {
  if (ScriptedControl* c = find(id)) c->visible = visible;
}

bool ScriptedDialog::isVisible(int id) const {
  const ScriptedControl* c = find(id);
  return c && c->visible;
}

void ScriptedDialog::destroyControl(int id) {
  if (ScriptedControl* c = find(id)) c->alive = false;
}

PixelRect ScriptedDialog::controlRect(int id) const {
  const ScriptedControl* c = find(id);
  return c ? c->rect : PixelRect();
}

PixelRect ScriptedDialog::standardPart() const {
  const ScriptedDialog& t = top();
  const ScreenMetrics& s = ui_.screen();
  return {0, 0, t.window_.width, scaled(kSaveAsStandardHeight, s.pixelsPerInchY)};
}

int ScriptedDialog::originX() const {
  const ScreenMetrics& s = ui_.screen();
  switch (kind_) {
    case Kind::kPage:
      return (parent_ ? parent_->originX() : 0) + placeInParent_.x;
    case Kind::kSaveAsArea:
      return window_.x + scaled(kBorder, s.pixelsPerInchX);
    default:
      return window_.x + ((source_.style & kDialogCaption) ? scaled(kBorder, s.pixelsPerInchX) : 0);
  }
}

int ScriptedDialog::originY() const {
  const ScreenMetrics& s = ui_.screen();
  switch (kind_) {
    case Kind::kPage:
      return (parent_ ? parent_->originY() : 0) + placeInParent_.y;
    case Kind::kSaveAsArea:
      return window_.y + standardPart().height;
    default:
      return window_.y +
             ((source_.style & kDialogCaption) ? scaled(kTitleBar + kBorder, s.pixelsPerInchY) : 0);
  }
}

PixelRect ScriptedDialog::screenRect(int id) const {
  if (kind_ == Kind::kSaveAsArea && id == kSaveAsCancelButton) {
    const ScreenMetrics& s = ui_.screen();
    PixelRect standard = standardPart();
    int width = scaled(kCancelWidth, s.pixelsPerInchX);
    int height = scaled(kCancelHeight, s.pixelsPerInchY);
    return {window_.x + standard.width - scaled(kCancelRightGap, s.pixelsPerInchX) - width,
            window_.y + standard.height - scaled(kCancelBottomGap, s.pixelsPerInchY) - height,
            width, height};
  }
  if (kind_ == Kind::kSaveAsArea && id == kCustomArea) {
    PixelRect client = toPixels({0, 0, source_.width, source_.height});
    return {originX(), originY(), client.width, client.height};
  }
  const ScriptedControl* c = find(id);
  if (!c) return PixelRect();
  return {originX() + c->rect.x, originY() + c->rect.y, c->rect.width, c->rect.height};
}

void ScriptedDialog::moveControl(int id, const PixelRect& rect) {
  if (ScriptedControl* c = find(id)) c->rect = rect;
}

PixelRect ScriptedDialog::windowRect() const { return top().window_; }

void ScriptedDialog::setWindowRect(const PixelRect& rect) { top().window_ = rect; }

PixelRect ScriptedDialog::toPixels(const DialogUnits& units) const {
  const ScreenMetrics& s = ui_.screen();
  int baseX = scaled(kBaseUnitX, s.pixelsPerInchX);
  int baseY = scaled(kBaseUnitY, s.pixelsPerInchY);
  return {mulDiv(units.x, baseX, 4), mulDiv(units.y, baseY, 8), mulDiv(units.width, baseX, 4),
          mulDiv(units.height, baseY, 8)};
}

ScreenMetrics ScriptedDialog::screen() const { return ui_.screen(); }

void ScriptedDialog::setBigIcon(int resourceId) { top().bigIcon_ = resourceId; }

void ScriptedDialog::showWindow(bool visible) {
  ScriptedDialog& t = top();
  if (t.visible_ == visible) return;
  t.visible_ = visible;
  if (t.recordsChanges()) ui_.record({"window", visible ? "show" : "hide", number(t.source_.id)});
}

void ScriptedDialog::end(int result) {
  ScriptedDialog& t = top();
  if (t.ended_) return;
  t.ended_ = true;
  t.result_ = result;
}

std::string ScriptedDialog::fileName() const { return top().fileName_; }

void ScriptedDialog::setFileName(const std::string& name, bool) {
  // Only a Save As dialog has a name field.
  ScriptedDialog& t = top();
  if (t.kind_ == Kind::kSaveAsArea) t.fileName_ = name;
}

std::string ScriptedDialog::folder() const { return top().folder_; }

int ScriptedDialog::filterIndex() const { return top().filterIndex_; }

void ScriptedDialog::setFilterIndex(int index) {
  ScriptedDialog& t = top();
  if (index >= 1 && index <= static_cast<int>(t.request_.filters.size())) t.filterIndex_ = index;
}

void ScriptedDialog::setUpSaveAs(const SaveAsRequest& request) {
  request_ = request;
  fileName_ = request.initialName;
  folder_ = request.initialFolder;
  filterIndex_ = 1;
  setFilterIndex(request.filterIndex);
}

std::unique_ptr<Dialog> ScriptedDialog::createPage(int tabControlId, const DialogTemplate& page,
                                                   DialogHandler* handler) {
  std::unique_ptr<ScriptedDialog> created(new ScriptedDialog(*this, page, tabControlId, handler));
  if (handler) handler->initialised(*created);
  return std::unique_ptr<Dialog>(created.release());
}

namespace {

class ScriptedPoster : public DialogPoster {
 public:
  ScriptedPoster(std::shared_ptr<ScriptedPostHub> hub, std::shared_ptr<ScriptedPostTarget> target)
      : hub_(std::move(hub)), target_(std::move(target)) {
    std::lock_guard<std::mutex> lock(hub_->lock);
    ++hub_->posters;
  }
  ~ScriptedPoster() override {
    std::lock_guard<std::mutex> lock(hub_->lock);
    --hub_->posters;
    hub_->changed.notify_all();
  }
  bool post(std::function<void(Dialog&)> fn) override {
    if (!target_->alive) return false;
    std::lock_guard<std::mutex> lock(hub_->lock);
    hub_->queue.emplace_back(target_, std::move(fn));
    hub_->changed.notify_all();
    return true;
  }

 private:
  std::shared_ptr<ScriptedPostHub> hub_;
  std::shared_ptr<ScriptedPostTarget> target_;
};

}  // namespace

std::shared_ptr<DialogPoster> ScriptedDialog::poster() {
  return std::make_shared<ScriptedPoster>(ui_.postHub(), target_);
}

}  // namespace platform
