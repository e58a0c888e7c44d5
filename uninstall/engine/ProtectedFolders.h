// The folders of Windows and those every program and user shares. The file
// phase searches an installation folder three levels deep and removes what
// it empties, so an OemFolders item is taken for one only when it lies in no
// folder of Windows and neither is nor holds a shared folder or a profile.
#pragma once

#include <string>
#include <vector>

#include "uninstall/system/OsVersion.h"

namespace vq {

// The Windows folder (as the program is given it and as the system has it)
// and the system folders of both bitnesses, each ending with a backslash.
std::vector<std::string> WindowsFolders(const COsVersion& os);

// The folders every program or user shares, each ending with a backslash:
// Program Files and Common Files (on 64-bit Windows the native ones as well
// as those of 32-bit programs), the folder of the users' profiles, the
// all-users profile and shared application data, the current user's profile.
std::vector<std::string> SharedFolders(const COsVersion& os);

// The folder that holds the users' profiles ("Documents and Settings",
// "Users"), ending with a backslash: each folder directly in it is a profile.
// Empty before Windows 2000, which keeps profiles in the Windows folder.
std::string ProfilesFolder();

}  // namespace vq
