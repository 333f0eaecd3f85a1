// config_error.h - ConfigError, how the configuration says what failed: the message
// (HTML) and the place in this program that refused it. The controller shows it on
// the error page; configuration itself never touches the controller.
#pragma once

#include "cgi/strbuf.h"

struct ConfigError {
    StrBuf html;                // message; plain text in it was escaped where it was put in
    const char* unit = nullptr; // source unit that refused the configuration
    int line = 0;               // line in that unit (shown at message level 1)
};
