// The module lock count of an in-process server, shared by every platform.
#include <atomic>

#include "platform/shell_extension.h"

namespace platform {

namespace {
std::atomic<long> gModuleLocks{0};
}  // namespace

ContextMenuHandler::ContextMenuHandler() { lockModule(); }
ContextMenuHandler::~ContextMenuHandler() { unlockModule(); }

void lockModule() { ++gModuleLocks; }
void unlockModule() { --gModuleLocks; }
long moduleLockCount() { return gModuleLocks.load(); }
HResult canUnloadModule() { return gModuleLocks.load() == 0 ? kSOk : kSFalse; }

}  // namespace platform
