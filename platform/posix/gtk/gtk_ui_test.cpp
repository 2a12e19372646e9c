// The GTK backend on an X server of the test's own, loaded as the programs
// load it: windows built from templates, driven by scripts as a user acts,
// and what happens when the display goes away.
#include <gtk/gtk.h>

#include <atomic>
#include <iterator>
#include <thread>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/ui.h"
#include "scripted_ui/scripted_backend.h"
#include "testsupport/dialog_record.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/gtk_leaks.h"
#include "testsupport/private_display.h"

// Last: Xlib's macros (None, Status...) would clash with names above.
#include <X11/Xlib.h>
#include <gdk/gdkx.h>

namespace {

using platform::ControlKind;
using platform::ControlTemplate;
using platform::Dialog;
using platform::DialogTemplate;

const ControlTemplate kAskControls[] = {
    {-1, ControlKind::kStatic, "Type a word.", platform::kStyleNone, {7, 7, 100, 8}, 0},
    {10, ControlKind::kEdit, "", platform::kStyleNone, {7, 20, 100, 12}, 0},
    {1, ControlKind::kPushButton, "&OK", platform::kStyleDefaultButton, {7, 40, 50, 14}, 0},
    {2, ControlKind::kPushButton, "&Cancel", platform::kStyleNone, {60, 40, 50, 14}, 0},
    {20, ControlKind::kCheckBox, "Box", platform::kStyleNone, {7, 60, 50, 10}, 0},
    {21, ControlKind::kCheckBox, "Locked", platform::kStyleDisabled, {7, 72, 50, 10}, 0},
    {22, ControlKind::kCheckBox, "Hidden", platform::kStyleHidden, {7, 84, 50, 10}, 0},
    {30, ControlKind::kRadioButton, "One", platform::kStyleGroup, {60, 60, 50, 10}, 0},
    {31, ControlKind::kRadioButton, "Two", platform::kStyleNone, {60, 72, 50, 10}, 0},
    {32, ControlKind::kRadioButton, "Three", platform::kStyleNone, {60, 84, 50, 10}, 0},
    {40, ControlKind::kDropDownList, "", platform::kStyleNone, {113, 60, 60, 40}, 0},
    {41, ControlKind::kDropDownList, "", platform::kStyleSorted, {113, 75, 60, 40}, 0},
};
const DialogTemplate kAsk = {900, "ask", "Question",
                             platform::kDialogCaption | platform::kDialogCentred,
                             180, 100, kAskControls, std::size(kAskControls)};

// Records what happened; ends on OK (only with a text), Cancel or closing.
class AskHandler : public platform::DialogHandler {
 public:
  void initialised(Dialog& d) override {
    events.push_back("init");
    for (const char* entry : {"Alpha", "Beta", "Gamma"}) d.addListEntry(40, entry);
    // What the program does itself makes no events.
    d.setChecked(20, true);
    d.setChecked(20, false);
    d.select(40, 0);
  }
  void clicked(Dialog& d, int id) override {
    events.push_back("click " + std::to_string(id));
    if (id == 1 && d.text(10).empty()) return;
    if (id == 1 || id == 2 || id == platform::kCloseCommand) {
      word = d.text(10);
      d.end(id);
    }
  }
  void selectionChanged(Dialog& d, int id) override {
    events.push_back("select " + std::to_string(id) + " " + d.text(id));
  }
  void closing(Dialog&) override { events.push_back("closing"); }
  std::vector<std::string> events;
  std::string word;
};

class GtkBackend : public testsupport::FreshMachineTest {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_PRIVATE_DISPLAY();
    ASSERT_TRUE(display.start()) << display.startError();
    // The script that drives the windows and the record come with the
    // scripted windows, as in the programs that run unattended.
    platform::installScriptedBackend();
    machine.setEnv("VELLORA_DESKTOP_MODULE", VLGTK_PATH);
    machine.setEnv("VELLORA_UI_LOG", machine.path("record"));
  }
  // Chooses the user interface anew, driven by these script lines.
  platform::UserInterface& desktop(const std::string& script) {
    testsupport::writeFile(machine.path("script"), script);
    machine.setEnv("VELLORA_DESKTOP_SCRIPT", machine.path("script"));
    platform::setUserInterface(nullptr);
    return platform::ui();
  }
  std::vector<std::vector<std::string>> recorded(const std::string& kind) {
    std::vector<std::vector<std::string>> found;
    for (auto& event : testsupport::recordEvents(testsupport::readFile(machine.path("record"))))
      if (!event.empty() && event[0] == kind) found.push_back(event);
    return found;
  }
  testsupport::PrivateDisplay display;
};

TEST_F(GtkBackend, IsChosenWithADisplayAndSaysWhyNotWithout) {
  std::string shown = display.name();
  machine.unsetEnv("DISPLAY");
  platform::setUserInterface(nullptr);
  EXPECT_EQ(platform::ui().description(),
            "none: no desktop user interface and no script (VELLORA_UI_SCRIPT): no display "
            "(DISPLAY and WAYLAND_DISPLAY are unset)");
  EXPECT_FALSE(platform::ui().interactive());

  machine.setEnv("DISPLAY", shown);
  machine.setEnv("VELLORA_UI_SCRIPT", machine.path("answers"));
  platform::setUserInterface(nullptr);
  EXPECT_EQ(platform::ui().description().compare(0, 9, "scripted:"), 0) << "a script comes first";

  machine.unsetEnv("VELLORA_UI_SCRIPT");
  platform::UserInterface& ui = desktop("");
  EXPECT_EQ(ui.description(), "gtk: the desktop on the display " + shown);
  EXPECT_TRUE(ui.interactive());
}

TEST_F(GtkBackend, WindowsAreLaidOutInDialogUnitsOfTheDialogFont) {
  platform::UserInterface& ui = desktop("");
  std::unique_ptr<Dialog> window = ui.openModeless(kAsk, nullptr);
  ASSERT_TRUE(window);
  // Windows' rule: 4 horizontal units are the font's average character
  // width (of the 52 letters, rounded half up), 8 vertical ones its height.
  GtkWidget* label = gtk_label_new(nullptr);
  g_object_ref_sink(label);
  PangoLayout* letters =
      gtk_widget_create_pango_layout(label, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  int width = 0, height = 0;
  pango_layout_get_pixel_size(letters, &width, &height);
  g_object_unref(letters);
  g_object_unref(label);
  platform::PixelRect unit = window->toPixels({0, 0, 4, 8});
  EXPECT_EQ(unit.width, (width / 26 + 1) / 2);
  EXPECT_NEAR(unit.height, height, 2);
  // A drop-down list's template height includes its opened list.
  EXPECT_LT(window->controlRect(40).height, window->toPixels({113, 60, 60, 40}).height / 2);
  EXPECT_EQ(window->controlRect(10).x, window->toPixels({7, 20, 100, 12}).x);
  EXPECT_EQ(window->controlRect(10).width, window->toPixels({7, 20, 100, 12}).width);

  // A centred window sits in the middle of the screen at its template's size.
  window->showWindow(true);
  window->repaint();
  platform::ScreenMetrics screen = window->screen();
  EXPECT_EQ(screen.width, 1280);
  EXPECT_EQ(screen.height, 1024);
  platform::PixelRect placed = window->windowRect();
  platform::PixelRect size = window->toPixels({0, 0, 180, 100});
  EXPECT_EQ(placed.width, size.width);
  EXPECT_EQ(placed.height, size.height);
  EXPECT_NEAR(placed.x, (screen.width - size.width) / 2, 1);
  EXPECT_NEAR(placed.y, (screen.height - size.height) / 2, 1);
  platform::PixelRect edit = window->screenRect(10);
  EXPECT_EQ(edit.x, placed.x + window->controlRect(10).x);
  EXPECT_EQ(edit.y, placed.y + window->controlRect(10).y);

  // Moved past the screen's edge, it is kept on the screen.
  window->setWindowRect({1200, 1000, size.width, size.height});
  window->repaint();
  EXPECT_EQ(window->windowRect().x, screen.width - size.width);
  EXPECT_EQ(window->windowRect().y, screen.height - size.height);
}

// The rest of what controls keep is checked for every backend alike
// (gtk_dialog_conformance_test.cpp). GTK keeps one radio of a group checked
// at most, so checking one by program clears the others.
TEST_F(GtkBackend, ARadioCheckedByTheProgramClearsTheOthersOfItsGroup) {
  platform::UserInterface& ui = desktop("");
  std::unique_ptr<Dialog> d = ui.openModeless(kAsk, nullptr);
  ASSERT_TRUE(d);
  d->setChecked(31, true);
  d->setChecked(32, true);
  EXPECT_FALSE(d->isChecked(31));
  EXPECT_TRUE(d->isChecked(32));
  d->setChecked(32, false);
  EXPECT_FALSE(d->isChecked(30) || d->isChecked(31) || d->isChecked(32));
}

TEST_F(GtkBackend, OnlyWhatTheUserDoesMakesEventsAndLockedControlsRefuse) {
  platform::UserInterface& ui = desktop(
      "check: 21\ncheck: 22\ncheck: 20\nchoose: 40 Beta\nclick: 1\ntype: 10 word\nclick: 1\n");
  AskHandler handler;
  int result = ui.runModal(kAsk, handler);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(handler.word, "word");
  EXPECT_EQ(handler.events, (std::vector<std::string>{"init", "click 20", "select 40 Beta",
                                                      "click 1", "click 1", "closing"}));
  auto refused = recorded("refused");
  ASSERT_EQ(refused.size(), 2u);
  EXPECT_EQ(refused[0][3], "disabled");
  EXPECT_EQ(refused[1][3], "hidden");
  // The record shows the real widgets' states, as the scripted one does.
  auto snapshots = testsupport::dialogSnapshots(
      testsupport::recordEvents(testsupport::readFile(machine.path("record"))));
  testsupport::DialogSnapshot chosen = testsupport::lastSnapshot(snapshots, 900, "choose: 40 Beta");
  EXPECT_TRUE(chosen.control(900, 20).checked());
  EXPECT_EQ(chosen.control(900, 40).selection, 1);
  EXPECT_EQ(chosen.control(900, 40).entries, (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
  EXPECT_EQ(chosen.control(900, 21).state, "disabled");
  EXPECT_EQ(recorded("mapped").size(), 1u);
}

TEST_F(GtkBackend, NothingLeftToDoClosesTheWindow) {
  platform::UserInterface& ui = desktop("ask: <unavailable>\ntype: 10 half\n");
  AskHandler first;
  EXPECT_EQ(ui.runModal(kAsk, first), platform::kDialogUnavailable);
  EXPECT_TRUE(first.events.empty());
  AskHandler second;
  EXPECT_EQ(ui.runModal(kAsk, second), platform::kCloseCommand);
  EXPECT_EQ(second.word, "half");
}

TEST_F(GtkBackend, WorkPostedFromOtherThreadsRunsOnTheDialogsThread) {
  class Posting : public AskHandler {
   public:
    void initialised(Dialog& d) override {
      AskHandler::initialised(d);
      std::shared_ptr<platform::DialogPoster> poster = d.poster();
      worker = std::thread([this, poster]() mutable {
        platform::sleepMilliseconds(200);
        poster->post([this](Dialog& shown) {
          ranOn = std::this_thread::get_id();
          shown.addListEntry(40, "Late");
        });
        poster.reset();
      });
    }
    // A poster kept past the dialog's end.
    void closing(Dialog& d) override {
      AskHandler::closing(d);
      kept = d.poster();
    }
    std::thread worker;
    std::thread::id ranOn;
    std::shared_ptr<platform::DialogPoster> kept;
  };
  platform::UserInterface& ui = desktop("choose: 40 Late\ntype: 10 done\nclick: 1\n");
  Posting handler;
  EXPECT_EQ(ui.runModal(kAsk, handler), 1);
  handler.worker.join();
  EXPECT_EQ(handler.ranOn, std::this_thread::get_id());
  EXPECT_EQ(handler.events[1], "select 40 Late") << "the choice waited for the entry";
  ASSERT_TRUE(handler.kept);
  EXPECT_FALSE(handler.kept->post([](Dialog&) { ADD_FAILURE() << "ran after the dialog ended"; }));
}

TEST_F(GtkBackend, MessageBoxesTakeTheScriptsAnswerOrTheirDefaultButton) {
  platform::UserInterface& ui = desktop("message: no\nmessage: retry\n");
  EXPECT_EQ(ui.messageBox("Replace it?", "Vellora", platform::kMbYesNo | platform::kMbIconQuestion),
            platform::kIdNo);
  EXPECT_EQ(ui.messageBox("Try again?", "Vellora", platform::kMbOkCancel),
            platform::kIdOk) << "an answer the box has no button for gives its default";
  EXPECT_EQ(ui.messageBox("Go on?", "Vellora",
                          platform::kMbYesNoCancel | platform::kMbDefButton2 | platform::kMbTopmost),
            platform::kIdNo);
  auto boxes = recorded("message");
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0], (std::vector<std::string>{"message", "0x24", "Vellora", "Replace it?", "no"}));
  EXPECT_EQ(boxes[2][1], "0x40103");
}

TEST_F(GtkBackend, TheClipboardHoldsTheTextGiven) {
  platform::UserInterface& ui = desktop("");
  ASSERT_TRUE(ui.copyToClipboard("/home/ann/Documents/Report.pdf"));
  gchar* text = gtk_clipboard_wait_for_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "/home/ann/Documents/Report.pdf");
  g_free(text);
}

// A custom area with a tab control and a page for it, as the Save PDF
// dialog has them.
const ControlTemplate kAreaControls[] = {
    {50, ControlKind::kCheckBox, "&More", platform::kStyleNone, {4, 3, 80, 10}, 0},
    {51, ControlKind::kTabControl, "", platform::kStyleNone, {4, 40, 200, 100}, 0},
};
const DialogTemplate kArea = {901, "area", "", platform::kDialogChild, 210, 145, kAreaControls,
                              std::size(kAreaControls)};
const ControlTemplate kPageControls[] = {
    {60, ControlKind::kEdit, "", platform::kStyleNone, {6, 6, 100, 12}, 0},
};
const DialogTemplate kPage = {902, "page", "", platform::kDialogChild, 190, 80, kPageControls,
                              std::size(kPageControls)};

// The hook of a Save As dialog: sizes it to its compact form, refuses the
// first name it is offered, records what happens.
class AreaHook : public platform::DialogHandler {
 public:
  void initialised(Dialog& d) override {
    platform::PixelRect window = d.windowRect();
    platform::PixelRect area = d.screenRect(platform::kCustomArea);
    cancel = d.screenRect(platform::kSaveAsCancelButton);
    compactHeight = area.y + d.toPixels({0, 0, 0, 20}).height - window.y;
    d.setWindowRect({window.x, window.y, window.width, compactHeight});
    compact = d.windowRect();
    d.addListEntry(51, "First");
    d.addListEntry(51, "Second");
    d.select(51, 0);
    page = d.createPage(51, kPage, nullptr);
    d.showWindow(true);
  }
  void clicked(Dialog& d, int id) override {
    events.push_back("click " + std::to_string(id));
    platform::PixelRect window = d.windowRect();
    platform::PixelRect tabs = d.screenRect(51);
    d.setWindowRect({window.x, window.y, window.width,
                     d.isChecked(50) ? tabs.bottom() + 5 - window.y : compactHeight});
    expanded = d.windowRect();
  }
  void tabChanged(Dialog& d, int id) override {
    events.push_back("tab " + std::to_string(id) + " " + d.text(id));
  }
  void fileTypeChanged(Dialog&, int index) override { events.push_back("type " + std::to_string(index)); }
  bool nameAccepted(Dialog& d, const std::string& path) override {
    events.push_back("name " + path);
    folderShown = d.folder();
    return ++offered > 1;
  }
  void closing(Dialog& d) override {
    events.push_back("closing");
    typed = page ? page->text(60) : std::string();
    page.reset();
    (void)d;
  }
  std::vector<std::string> events;
  std::unique_ptr<Dialog> page;
  platform::PixelRect cancel, compact, expanded;
  int compactHeight = 0;
  int offered = 0;
  std::string folderShown, typed;
};

TEST_F(GtkBackend, TheSaveAsDialogCarriesTheCustomAreaAndAsksTheHook) {
  std::string folder = machine.path("out");
  ASSERT_TRUE(platform::createDirectories(folder));
  platform::UserInterface& ui = desktop("check: 50\ntab: Second\ntype: 902/60 on the page\n"
                                        "filetype: 2\naccept: " + folder + "/report\n"
                                        "accept: " + folder + "/report.pdf\n");
  platform::SaveAsRequest request;
  request.title = "Save it";
  request.initialFolder = folder;
  request.initialName = "first.pdf";
  request.filters = {{"PDF Documents (*.pdf)", "*.pdf"}, {"Postscript Files (*.ps)", "*.ps"}};
  request.defaultExtension = "pdf";
  AreaHook hook;
  platform::SaveAsResult result = ui.runSaveAs(request, kArea, hook);
  ASSERT_TRUE(result.accepted());
  EXPECT_EQ(result.path, folder + "/report.pdf");
  EXPECT_EQ(result.filterIndex, 2);
  // The name typed without an extension got the chosen type's; the hook
  // refused it and the dialog stayed open for the next one.
  EXPECT_EQ(hook.events, (std::vector<std::string>{"click 50", "tab 51 Second", "type 2",
                                                   "name " + folder + "/report.ps",
                                                   "name " + folder + "/report.pdf", "closing"}));
  EXPECT_EQ(hook.folderShown, folder);
  EXPECT_EQ(hook.typed, "on the page");
  // GTK's Cancel is the rightmost button, as on Windows; the window's height
  // shows as much of the custom area as the hook asks, with GTK's buttons
  // below it.
  EXPECT_GT(hook.cancel.width, 0);
  EXPECT_GT(hook.cancel.right(), hook.compact.right() - 30);
  EXPECT_GT(hook.expanded.height, hook.compact.height + 100);
  auto saved = recorded("saveas");
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0][4], folder + "/report.pdf");
}

TEST_F(GtkBackend, CancellingTheSaveAsDialogStillClosesTheHook) {
  platform::UserInterface& ui = desktop("cancel:\n");
  platform::SaveAsRequest request;
  request.filters = {{"PDF Documents (*.pdf)", "*.pdf"}};
  AreaHook hook;
  platform::SaveAsResult result = ui.runSaveAs(request, kArea, hook);
  EXPECT_EQ(result.status, platform::SaveAsStatus::kCancelled);
  EXPECT_EQ(hook.events, (std::vector<std::string>{"closing"}));
}

TEST_F(GtkBackend, AProgressWindowShowsItsBarAndIsPicturedWhenItCloses) {
  const ControlTemplate controls[] = {
      {1, ControlKind::kProgressBar, "", platform::kStyleNone, {0, 0, 100, 12}, 0},
      {2, ControlKind::kStatic, "Working", platform::kStyleCentred, {0, 14, 100, 8}, 0},
  };
  const DialogTemplate progress = {903, "work", "", platform::kDialogTopmost | platform::kDialogVisible,
                                   100, 24, controls, std::size(controls)};
  machine.setEnv("VELLORA_DESKTOP_SHOTS", machine.path("shots"));
  platform::UserInterface& ui = desktop("");
  {
    std::unique_ptr<Dialog> window = ui.openModeless(progress, nullptr);
    ASSERT_TRUE(window);
    window->setProgressRange(1, 0, 4);
    for (int position = 1; position <= 4; ++position) {
      window->setProgressPosition(1, position);
      window->repaint();
    }
  }
  auto shots = recorded("screenshot");
  ASSERT_EQ(shots.size(), 1u);
  EXPECT_EQ(shots[0][2], machine.path("shots") + "/work.png");
  EXPECT_TRUE(platform::fileExists(shots[0][2]));
  auto steps = recorded("progress");
  ASSERT_EQ(steps.size(), 5u);
  EXPECT_EQ(steps[0], (std::vector<std::string>{"progress", "range", "0", "4"}));
  EXPECT_EQ(steps[4], (std::vector<std::string>{"progress", "position", "4"}));
}

TEST_F(GtkBackend, AnotherProgramsWindowsOfAClassAreBroughtForward) {
  platform::UserInterface& ui = desktop("");
  // A "viewer" below a window of another program, both on the display.
  auto shownWindow = [](const char* wmClass) {
    GtkWidget* w = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gtk_window_set_wmclass(GTK_WINDOW(w), "viewer", wmClass);
    G_GNUC_END_IGNORE_DEPRECATIONS
    gtk_window_set_default_size(GTK_WINDOW(w), 200, 100);
    gtk_widget_show(w);
    return w;
  };
  GtkWidget* viewer = shownWindow("AdobeAcrobat");
  GtkWidget* other = shownWindow("Other");
  for (int i = 0; i < 100 && !(gtk_widget_get_mapped(viewer) && gtk_widget_get_mapped(other)); ++i)
    gtk_main_iteration_do(FALSE), g_usleep(10000);
  gdk_display_sync(gdk_display_get_default());
  Display* x = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
  auto topmost = [&] {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    XQueryTree(x, DefaultRootWindow(x), &root, &parent, &children, &count);
    Window top = count ? children[count - 1] : 0;
    if (children) XFree(children);
    return top;
  };
  ASSERT_EQ(topmost(), GDK_WINDOW_XID(gtk_widget_get_window(other)));
  EXPECT_EQ(ui.bringWindowsForward("adobeacrobat"), 1) << "letter case ignored";
  gdk_display_sync(gdk_display_get_default());
  EXPECT_EQ(topmost(), GDK_WINDOW_XID(gtk_widget_get_window(viewer)));
  EXPECT_EQ(ui.bringWindowsForward("NoSuchViewer"), 0);
  EXPECT_EQ(recorded("forward").size(), 2u);
  gtk_widget_destroy(viewer);
  gtk_widget_destroy(other);
}

TEST_F(GtkBackend, LosingTheDisplayEndsTheDialogAndNobodyIsAskedAfterwards) {
  platform::UserInterface& ui = desktop("pause: 30000\n");
  std::thread killer([this] {
    for (int i = 0; i < 200; ++i) {
      if (testsupport::readFile(machine.path("record")).find("mapped\t900") != std::string::npos) break;
      platform::sleepMilliseconds(50);
    }
    display.stop();
  });
  AskHandler handler;
  int result = ui.runModal(kAsk, handler);
  killer.join();
  EXPECT_EQ(result, platform::kDialogUnavailable);
  EXPECT_EQ(handler.events, (std::vector<std::string>{"init"})) << "no closing for a dialog that is gone";
  EXPECT_FALSE(ui.interactive());
  EXPECT_EQ(ui.description().compare(0, 31, "none: the desktop went away (th"), 0) << ui.description();
  EXPECT_EQ(ui.messageBox("Replace it?", "Vellora", platform::kMbYesNo), platform::kIdNo);
  EXPECT_EQ(ui.openModeless(kAsk, nullptr), nullptr);
  AskHandler later;
  EXPECT_EQ(ui.runModal(kAsk, later), platform::kDialogUnavailable);
  EXPECT_TRUE(later.events.empty());
  EXPECT_EQ(recorded("lost").size(), 1u);
}

}  // namespace

// The sanitizer build: GTK runs in this process itself.
extern "C" const char* __lsan_default_suppressions() { return testsupport::kGtkLeakSuppressions; }
