// base_table.h - the database table of the configuration: what the BASE lines fill
// (template directories, expiry redirects, pseudo names, client access rules) and
// doRebases, which reads one such line into it.
#pragma once

#include <string_view>

#include "cgi/ptr_array.h"
#include "cgi/strbuf.h"
#include "config/base_rule.h"
#include "config/config_error.h"

struct BaseTables {
    NamedList<StrBuf> applDirTable;     // application name -> template directory (ZGWDIR)
    NamedList<StrBuf> expiredUrlTable;  // application name -> redirect for expired results
    NamedList<StrBuf> baseApplTable;    // pseudo database name -> the name it stands for
    AccessRules access;                 // client access rules (NOTE, ADDRESS)
};

// Reads the rest of one BASE line into `tables`: 0 when taken, 1 when a word it needs
// is missing (the caller reports "Unknown keyword"), 2 with `error` set for an unknown
// type or a 129th name (the rule stays filed under the names before it).
int doRebases(BaseTables& tables, std::string_view rest, ConfigError& error);
