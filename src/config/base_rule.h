// base_rule.h - one client access rule of a BASE NOTE or BASE ADDRESS line.
// A rule made for a line is shared by every name the line lists.
#pragma once

#include "cgi/strbuf.h"

struct BaseRule {
    int kind = 0;      // 1: NOTE (redirect refused clients), 0: ADDRESS (admit matching clients)
    StrBuf note;       // NOTE: the URL refused clients are sent to
    StrBuf address;    // ADDRESS: client address pattern, four dot-separated parts
    StrBuf user;       // ADDRESS: user for matching clients (may be empty)
    StrBuf password;   // ADDRESS: password for matching clients (may be empty)
};
