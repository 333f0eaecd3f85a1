// base_rule.h - one client access rule of a BASE NOTE or BASE ADDRESS line.
// A rule made for a line is shared by every name the line lists.
#pragma once

#include "cgi/strbuf.h"

struct BaseRule {
    // ADDRESS admits matching clients; NOTE redirects refused ones.
    enum Kind : int { kAddress = 0, kNote = 1 };

    Kind kind = kAddress;
    StrBuf note;       // NOTE: the URL refused clients are sent to
    StrBuf address;    // ADDRESS: client address pattern, four dot-separated parts
    StrBuf user;       // ADDRESS: user for matching clients (may be empty)
    StrBuf password;   // ADDRESS: password for matching clients (may be empty)
};
