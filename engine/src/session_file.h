// session_file.h - this process's session file (ZDBS_SIF): created at login, removed
// when the session ends. The engine only ever creates a new file and only ever removes
// the file it created: a name that holds anything else is refused, never overwritten.
// quickLogout reads the path from a signal handler: plain, fixed-size globals.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace zdb {

inline constexpr std::size_t kSessionFilePathSize = 4096;
// Path of this process's session file; empty while none exists.
extern char g_sessionFilePath[kSessionFilePathSize];
// Device and inode of the file created, so that only that file is removed. The file
// stays open for the session: its inode cannot be freed and handed to another file
// that someone puts at the path meanwhile.
extern dev_t g_sessionFileDevice;
extern ino_t g_sessionFileInode;
extern int g_sessionFileDescriptor;

// Creates the session file that ZDBS_SIF names (nothing when it is unset) and keeps
// its path for quickLogout; throws kSessionFileFailed when the name exists (except a
// session file left by a process that has ended) or the file cannot be written.
void writeSessionFile(const std::string& user);
// Removes the session file, if this process created one and it is still that file.
void removeSessionFile();
// Unlinks `path` when it is still the file this process created. Async-signal-safe.
void unlinkOwnSessionFile(const char* path);

}  // namespace zdb
