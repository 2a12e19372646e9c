// Desktop backends of the user interface and how a program gets one.
//
// On POSIX the GTK backend is a module (vlgtk.so) loaded at run time, so a
// program runs on a machine without GTK; on Windows the Win32 backend is part
// of the program. A module talks to the program only through the abstract
// classes of ui.h and DesktopHost below, whose code lives in the program.
//
// The program's side, the DesktopHost, gives a backend what the scripted
// backend has too, in a program that carries the scripted library (ui.h,
// ScriptedBackend): a record of what was shown (VELLORA_UI_LOG, in the
// scripted backend's format, see scripted_ui/scripted_ui.h) and, in a build
// whose tests run, a script of user actions to act out on the real windows
// (VELLORA_DESKTOP_SCRIPT, in the scripted backend's language). Driven this
// way, a desktop backend does each action on the real widgets once its
// window is mapped, as a user would, so tests and demonstrations run the
// same code paths a user's clicks do. Desktop-only actions:
//   screenshot: NAME     save the dialog's window as NAME.png in the folder
//                        VELLORA_DESKTOP_SHOTS (recorded as "screenshot")
//   pause: MILLISECONDS  keep the dialog open that long, at most 60 s
// With VELLORA_DESKTOP_SHOTS set, modeless windows (progress, status) are
// also saved, as TEMPLATE-NAME.png, just before they close.
//
// Desktop-only record lines:
//   mapped      <template id> <microseconds since 1970, when its window was mapped>
//               <microseconds of processor time the program had used by then>
//   screenshot  <template id> <file> <width> <height>
//   lost        <why the desktop went away>
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace platform {

// One line of a script, as the scripted backend reads it.
struct DriveStep {
  std::string kind;     // "check", "accept", or an answer's kind ("saveas", "fileexists"...)
  std::string value;    // after the colon, trimmed
  std::string text;     // the whole line, trimmed
  int filterIndex = 0;  // saveas: from a saveas-filter line before it, 0 when none
};

class DesktopHost {
 public:
  virtual ~DesktopHost() = default;

  // True when a script drives the windows.
  virtual bool driven() const = 0;
  // The next unused line that is an action or an answer of `answerKind`;
  // false when none is left.
  virtual bool nextStep(const std::string& answerKind, DriveStep* step) = 0;
  // The next unused answer of a kind ("message").
  virtual bool nextAnswer(const std::string& kind, std::string* answer) = 0;
  // Takes a "NAME: <unavailable>" answer when it is the next step of the
  // dialog of that name.
  virtual bool takeUnavailable(const std::string& name) = 0;

  // Writes one event to the record (when one is kept).
  virtual void record(const std::vector<std::string>& fields) = 0;
  // Records a dialog's snapshot (its controls and those of its pages) as
  // the scripted backend does; a Save As dialog's also names its file.
  virtual void snapshot(const Dialog& dialog, const std::vector<const Dialog*>& pages,
                        const std::string& moment, int bigIcon, bool saveAs) = 0;

  // The program's image of a resource id; nullptr when it has none.
  virtual const ImageResource* image(int id) = 0;
  // Where a screenshot called `name` goes; empty when none are wanted.
  virtual std::string screenshotPath(const std::string& name) = 0;
};

// The version of this interface and of the classes of ui.h a module sees:
// a module built for another refuses to load. It changes whenever their
// layout does (2: Dialog joins three narrower interfaces).
constexpr int kDesktopInterfaceVersion = 2;

// A module's entry point, exported as "vellora_desktop_ui": the backend for
// `display` (the environment variable's value), or nullptr with the reason
// in `why`. The host outlives the backend.
extern "C" {
typedef UserInterface* (*DesktopModuleEntry)(int interfaceVersion, DesktopHost* host,
                                             const char* display, char* why,
                                             std::size_t whySize);
}
constexpr const char kDesktopModuleEntryName[] = "vellora_desktop_ui";

// The platform's desktop backend, or nullptr with the reason in `why` (no
// display, no module, the display cannot be opened...). The backend lives
// for the rest of the process.
UserInterface* openDesktopUi(DesktopHost& host, std::string* why);

// The program's side of a desktop backend in a program without the scripted
// library (ui.h, ScriptedBackend): its images, no record and no script. The
// scripted library's host (scripted_ui/desktop_host.h) keeps both.
DesktopHost& plainDesktopHost();

}  // namespace platform
