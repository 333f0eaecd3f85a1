// base64.h - base64 (the original alphabet, padded) through libsodium: BLOBs in JSON
// and images in exported HTML.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zdb {

std::string base64Encode(std::string_view bytes);
// The bytes of base64 `text` (blanks and line ends ignored), or nothing when it is not base64.
std::optional<std::string> base64Decode(std::string_view text);

}  // namespace zdb
