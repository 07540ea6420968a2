// Folder watching on Win32: a change notification on the whole folder tree.
#pragma once

#include <memory>
#include <string>

#include "watch/change_source.h"
#include "watch/file_watch.h"

namespace dm {

// File and folder names, attributes, sizes and last-write times, anywhere
// below the folder (FILE_NOTIFY_CHANGE_FILE_NAME | DIR_NAME | ATTRIBUTES |
// SIZE | LAST_WRITE).
inline constexpr unsigned kWatchFilter = 31;

// The notification on path, or null when the folder cannot be watched
// (missing, not a folder, no access).
std::unique_ptr<ChangeSource> OpenFolderChanges(const std::string& path);

// A running watcher on path (or one with count -1 that reports the folder
// as not found). The window must outlive it.
std::unique_ptr<TFileWatch> CreateFileWatch(const std::string& path, WatchWindow& window);

}  // namespace dm
