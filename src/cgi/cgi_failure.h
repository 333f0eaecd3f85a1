// cgi_failure.h - the failure that ends a request before any response byte: the
// message goes to standard error and the process ends with status 1, so the web
// server reports a server error.
#pragma once

#include <stdexcept>

// what() is the exact message for standard error, its line end included.
struct CgiFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

inline constexpr const char* kUploadFailureMessage = "zgwcgi Error: cannot upload file\n";
