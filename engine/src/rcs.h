// rcs.h - run-time configuration symbols of the engine (QueryRCS, UpdateRCS).
// Lookup order: values set in this process, the environment, the engine
// configuration file (ZOLTRCS, else /etc/zolt/zolt.rcs). Names ignore case.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zdb {

// Path of the engine configuration file: $ZOLTRCS, or the system default.
std::string rcsFilePath();

// The value of `name` in the engine configuration file `path`, if the file has it.
// Lines are NAME=value; "#" starts a comment line; blanks around name and value go.
std::optional<std::string> rcsFileValue(const std::string& path, std::string_view name);

// The value of `name` from the sources in `sources` (ZDB_RCS_* bits).
std::optional<std::string> rcsLookup(std::string_view name, int sources);

}  // namespace zdb
