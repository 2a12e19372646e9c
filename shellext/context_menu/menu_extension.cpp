#include "shellext/context_menu/menu_extension.h"

#include <cstring>
#include <new>

#include "common/text.h"

namespace vellora {

std::string loadString(const StringEntry* table, int id) {
  for (const StringEntry* entry = table; entry->text != nullptr; ++entry)
    if (entry->id == id) return entry->text;
  return std::string();
}

void copyCommandText(const std::string& text, unsigned flags, void* buffer, unsigned size) {
  if (buffer == nullptr || size == 0) return;
  const std::size_t length = text.size() < size ? text.size() : size - 1;
  if (flags & platform::kGcsUnicode) {
    // The texts are single-byte; each byte widens to its own code point.
    std::uint16_t* wide = static_cast<std::uint16_t*>(buffer);
    for (std::size_t i = 0; i < length; ++i) wide[i] = static_cast<unsigned char>(text[i]);
    wide[length] = 0;
  } else {
    char* narrow = static_cast<char*>(buffer);
    std::memcpy(narrow, text.data(), length);
    narrow[length] = '\0';
  }
}

MenuExtension::MenuExtension(const MenuCommand* commands, const StringEntry* strings)
    : commands_(commands), strings_(strings) {}

platform::HResult MenuExtension::initialize(const std::vector<std::string>& selection) {
  // The shell fills one object once; a second call starts a new list rather
  // than adding the same files twice.
  files_.clear();
  for (const std::string& item : selection) {
    std::string path = cut(item, kShellPathCapacity);
    if (!takes(path)) continue;
    try {
      if (files_.size() == files_.capacity()) files_.reserve(files_.empty() ? 1 : files_.size() * 2);
      files_.push_back(path);
    } catch (const std::bad_alloc&) {
      // A path that finds no memory is left out.
    }
  }
  return files_.empty() ? platform::kEInvalidArg : platform::kSOk;
}

platform::HResult MenuExtension::queryContextMenu(platform::MenuSink& menu, unsigned index,
                                                  unsigned firstCommand, unsigned,
                                                  unsigned flags) {
  if (flags & platform::kCmfDefaultOnly) return 0;
  platform::HResult added = 0;
  for (unsigned i = 0; commands_[i].textId != 0; ++i) {
    if (menu.insertItem(insertPosition(index), firstCommand + i,
                        cut(text(commands_[i].textId), kShellPathCapacity)))
      ++added;
  }
  return added;
}

platform::HResult MenuExtension::getCommandString(std::uintptr_t offset, unsigned flags,
                                                  void* buffer, unsigned size) {
  const MenuCommand* entry = command(offset);
  if (entry == nullptr) return platform::kEInvalidArg;
  if ((flags & platform::kGcsHelpTextA) == 0) return platform::kEInvalidArg;
  copyCommandText(cut(text(entry->helpId), kShellPathCapacity), flags, buffer, size);
  return platform::kSOk;
}

platform::HResult MenuExtension::invokeCommand(std::uintptr_t verb) {
  if ((verb >> 16) != 0) return platform::kEInvalidArg;
  const MenuCommand* entry = command(verb & 0xFFFF);
  if (entry == nullptr) return platform::kEInvalidArg;
  return run(entry->textId);
}

const MenuCommand* MenuExtension::command(std::uintptr_t offset) const {
  for (std::uintptr_t i = 0; commands_[i].textId != 0; ++i)
    if (i == offset) return &commands_[i];
  return nullptr;
}

}  // namespace vellora
