// messages.h - the engine's message catalogue (English, for every session language).
// Each code has one fixed text; "%1" stands for the variable that ZdbMessage fills in.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zdb {

// The catalogue text of `code` with its "%1" placeholder, or nothing for an unknown code.
std::optional<std::string_view> catalogueText(int code);

// `text` with every "%1" replaced by `argument`.
std::string fillMessage(std::string_view text, std::string_view argument);

}  // namespace zdb
