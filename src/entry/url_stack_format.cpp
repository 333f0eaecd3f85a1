// url_stack_format.cpp - storing values in URL-stack entries and taking entries apart.

#include "entry/url_stack_format.h"

#include "cgi/text_pieces.h"

std::string storedStackValue(std::string_view value) {
    std::string stored;
    stored.reserve(value.size());
    for (char c : value) {
        switch (c) {
            case '%': stored += "%25"; break;
            case '{': stored += "%7B"; break;
            case '}': stored += "%7D"; break;
            default: stored.push_back(c);
        }
    }
    return stored;
}

std::string plainStackValue(std::string_view stored) {
    std::string value;
    value.reserve(stored.size());
    for (std::size_t at = 0; at < stored.size(); ++at) {
        std::string_view escape = stored.substr(at, 3);
        if (escape == "%25" || escape == "%7B" || escape == "%7D") {
            value.push_back(escape == "%25" ? '%' : escape == "%7B" ? '{' : '}');
            at += 2;
        } else {
            value.push_back(stored[at]);
        }
    }
    return value;
}

std::vector<StackParameter> stackParameters(std::string_view entry) {
    std::vector<StackParameter> parameters;
    for (std::string_view piece : splitPieces(entry, "{")) {
        std::size_t equals = piece.find('=');
        if (equals == std::string_view::npos || equals + 1 == piece.size()) parameters.push_back({{}, piece});
        else parameters.push_back({piece.substr(0, equals), piece.substr(equals + 1)});
    }
    return parameters;
}
