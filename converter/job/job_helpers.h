// Small services of the job driver that every part of the converter uses.
#pragma once

#include <string>

#include "converter/job/job_record.h"
#include "platform/registry.h"

namespace vellora {

// 1 for Windows 95/98/Me, 3 for the NT family from major version 5 on, 2 for
// any other NT-family system and any other platform.
int osFamily();
// True when the system's major version is 6.
bool isVersion6();

// Clears job.messageText and loads string-table entry `id` into it (a
// missing entry leaves it empty). The second loader fills job.captionText.
void loadMessage(JobRecord& job, int id);
void loadCaption(JobRecord& job, int id);

// The system's message text for an error code, at most 255 characters.
std::string systemErrorText(int code);
// The text of the last error of this thread.
std::string lastErrorText();

// A string value (buffer 780), or an empty text when the key or value cannot
// be read.
std::string readRegistryString(platform::RegRoot root, const std::string& key,
                               const std::string& name);

// Shows job.messageText in a message box with the product caption.
int showMessage(JobRecord& job, unsigned flags);
// Loads string `id` and shows it.
int showMessageId(JobRecord& job, int id, unsigned flags);

}  // namespace vellora
