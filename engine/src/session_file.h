// session_file.h - where the engine keeps the path of this process's session file.
// quickLogout reads it from a signal handler: a plain, fixed-size array.
#pragma once

#include <cstddef>
#include <string>

namespace zdb {

inline constexpr std::size_t kSessionFilePathSize = 4096;
extern char g_sessionFilePath[kSessionFilePathSize];

// Writes the session file that ZDBS_SIF names (nothing when it is unset) and keeps
// its path for quickLogout; throws kSessionFileFailed when it cannot be written.
void writeSessionFile(const std::string& user);
// Removes the session file, if one was written.
void removeSessionFile();

}  // namespace zdb
