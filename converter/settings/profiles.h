// Named copies of the whole settings record.
//
// A stored profile is one registry value whose name is the profile's name
// and whose data is the record's 5,056-byte image with both passwords
// scrambled. Users keep theirs under HKEY_CURRENT_USER's profiles key of the
// printer; administrators publish machine profiles under HKEY_LOCAL_MACHINE's,
// and while that key exists (even empty) only machine profiles are offered
// and the profile buttons are locked. The settings of the last conversion
// live apart, as "LastSetting" in the user's own key.
#pragma once

#include <string>
#include <vector>

#include "converter/settings/load_settings.h"
#include "converter/settings/settings_keys.h"
#include "converter/settings/settings_record.h"

namespace vellora {

// The one profile name with a place of its own, compared with letter case:
// "lastsetting" is an ordinary user profile.
constexpr const char kLastSettingProfile[] = "LastSetting";
// Text value of MachineKey (preferred) and UserKey naming the default profile.
constexpr const char kDefaultProfileValue[] = "DefaultProfile";
// Listed profile names are at most this long; longer names are not listed.
constexpr std::size_t kListedProfileNameLimit = 299;

// What loading a profile needs to know of the job besides its settings.
struct ProfileJob {
  PrinterKeys keys;
  std::string installDir;  // where the default stationery folder is
  std::string title;       // the document's own title
};

// The title of a document is its own. A stored profile brings its title
// back only when the user typed that title into the profile on purpose:
// Save Current then marks it in the record's first filler, two bytes no
// setting uses and every profile stored without the mark holds as zeros. A
// title equal to the document's (what the dialog starts with) is not
// marked, and the remembered settings of the last job never bring a title
// back, marked or not.
bool profileTitleChosen(const SettingsRecord& record);
void setProfileTitleChosen(SettingsRecord& record, bool chosen);
// The record as Save Current stores it: its title marked as chosen when it
// is not empty and not the document's own (compared as far as the title
// box holds, 254 characters).
SettingsRecord profileAsSaved(const SettingsRecord& record, const std::string& documentTitle);

// Stores the record under a profile name: "LastSetting" in the user's own key
// (which must exist), any other name under the user's profiles key of the
// printer (created when missing). 1 when written, 0 otherwise. The record
// keeps its plain passwords.
int SaveProfile(const PrinterKeys& keys, const std::string& name, const SettingsRecord& record);

// Replaces the settings by a stored profile: "LastSetting" from the user's
// key, any other name from the machine's profiles key when that key exists,
// else from the user's. 0 (settings untouched) when no key opens or the value
// is not exactly 5,056 bytes; else 1. A stored profile is outside data: its
// texts end within their fields and a choice outside its list reads as the
// default. The title becomes the document's own unless the profile is a
// named one whose title is marked as chosen; a stationery folder shorter
// than three characters becomes the product's own; after a user profile the
// locked settings come back (ReapplyLocks).
int LoadProfile(const ProfileJob& job, const std::string& name, LoadedSettings* settings);

// Puts every locked setting back from the snapshot taken when the settings
// were loaded (as loaded: its paths are expanded already), and hides the
// "hide profiles" option from then on.
void ReapplyLocks(LoadedSettings* settings);

// The default profile: MachineKey's DefaultProfile when non-empty, else
// UserKey's.
std::string defaultProfileName();
void setUserDefaultProfile(const std::string& name);
void deleteUserDefaultProfile();
// Forgets UserKey's DefaultProfile when it names none of the user's own
// profiles of the printer (none is called so, or begins so, letter case
// ignored). A default kept while machine profiles are published, or while
// the machine's default comes first, is the user's again once they are gone.
void forgetVanishedUserDefaultProfile(const PrinterKeys& keys);

// The profiles a list offers, in the store's order.
struct ProfileNames {
  bool machineMode = false;  // HKEY_LOCAL_MACHINE's profiles key exists
  bool keyOpened = false;    // a profiles key exists at all
  std::vector<std::string> names;
};
ProfileNames listProfiles(const PrinterKeys& keys);

// Machine mode: the Save, Delete and Default buttons are locked at least at
// level 1 (a level of 2 stays).
void raiseProfileButtonLocks(LockTable* controlLocks);

// Deletes a user profile. True when the value was there and is gone.
bool deleteUserProfile(const PrinterKeys& keys, const std::string& name);

}  // namespace vellora
