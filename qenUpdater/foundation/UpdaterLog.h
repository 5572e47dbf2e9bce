#pragma once
// Per-run log file of the Updater under the local application-data folder.
#include <string>

#include <easylogging++.h>

// Creates "<local app data>\kelUpdater\", purges week-old logs there and points the logger
// "default" at a new file named by the local time of the call.
void InitLog();

// Deletes "*.log" files in `folder` (trailing backslash included) whose last write lies more than
// seven days from now, in either direction.
void PurgeOldLogs(const std::string& folder);
void PurgeOldLogs(const std::string& folder, __time64_t now);
