// cache_file.h - writing a file of the page cache whole: the bytes go to a temporary
// file beside it, which is then renamed onto the name, so that another request that
// reads the name meanwhile finds the old file or the new one, never half of one.
#pragma once

#include <string>
#include <string_view>

// Writes `content` as the file `path`, readable and writable by the owner only;
// 0, or the system error number when it could not be written (nothing is left behind).
int writeCacheFile(const std::string& path, std::string_view content);
