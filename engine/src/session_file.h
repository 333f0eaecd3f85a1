// session_file.h - where the engine keeps the path of this process's session file.
// quickLogout reads it from a signal handler: a plain, fixed-size array.
#pragma once

#include <cstddef>

namespace zdb {

inline constexpr std::size_t kSessionFilePathSize = 4096;
extern char g_sessionFilePath[kSessionFilePathSize];

}  // namespace zdb
