// What both context-menu extensions share: the list of selected files, the
// menu command table with its string table, and the way items are added,
// described and invoked. Each extension says which files it takes, where its
// items go and what its commands do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/shell_extension.h"

namespace vellora {

// Capacity of a selected path, of a menu text and of a help text.
constexpr std::size_t kShellPathCapacity = 260;

// One entry of a string table.
struct StringEntry {
  int id;
  const char* text;
};

// One entry of a menu command table: the string id of the item's text, which
// is also the command's kind, and the string id of its help text. A table
// ends with {0, 0}.
struct MenuCommand {
  int textId;
  int helpId;
};

// The text of a string id in a table ended by {0, nullptr}; empty when the
// id is missing.
std::string loadString(const StringEntry* table, int id);

// Copies a text into a caller's buffer of `size` characters, terminator
// included: chars, or UTF-16 units with kGcsUnicode in flags. Longer texts
// are cut.
void copyCommandText(const std::string& text, unsigned flags, void* buffer, unsigned size);

class MenuExtension : public platform::ContextMenuHandler {
 public:
  MenuExtension(const MenuCommand* commands, const StringEntry* strings);

  // Takes every selected path the extension wants (each cut to 259
  // characters); kEInvalidArg when it wants none.
  platform::HResult initialize(const std::vector<std::string>& selection) override;
  // Adds one item per command unless only the default item is asked for.
  platform::HResult queryContextMenu(platform::MenuSink& menu, unsigned index,
                                     unsigned firstCommand, unsigned lastCommand,
                                     unsigned flags) override;
  // Gives the help text of a command; verbs and validation are not answered.
  platform::HResult getCommandString(std::uintptr_t command, unsigned flags, void* buffer,
                                     unsigned size) override;
  // Runs a command given by its offset; a verb given as text is refused.
  platform::HResult invokeCommand(std::uintptr_t verb) override;

  const std::vector<std::string>& selectedFiles() const { return files_; }

 protected:
  // Whether a selected path belongs in the list.
  virtual bool takes(const std::string& path) const = 0;
  // Where the items go, given the index the menu offers.
  virtual unsigned insertPosition(unsigned index) const = 0;
  // Runs the command of a kind.
  virtual platform::HResult run(int kind) = 0;

  std::string text(int id) const { return loadString(strings_, id); }

 private:
  // The entry at an offset, or null past the end.
  const MenuCommand* command(std::uintptr_t offset) const;

  const MenuCommand* commands_;
  const StringEntry* strings_;
  std::vector<std::string> files_;
};

}  // namespace vellora
