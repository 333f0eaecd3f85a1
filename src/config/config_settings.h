// config_settings.h - ConfigSettings, what one reading of the configuration file
// sets. A setting that no line (nor the login cookies) set stays empty, so the
// controller keeps its own default for it; lists and tables hold what the lines added.
#pragma once

#include <optional>

#include "cgi/ptr_array.h"
#include "cgi/strbuf.h"
#include "config/base_table.h"

struct ConfigSettings {
    static constexpr int kConfigFileMax = 511;  // characters of the configuration path

    StrBuf configFile;                   // path from ZGW_CONF, once accepted
    std::optional<StrBuf> userName;      // DEFAULT-USER, then the login cookies
    std::optional<StrBuf> password;      // DEFAULT-USER, then the login cookies
    std::optional<int> maxHits;          // MAXHITS
    std::optional<StrBuf> cacheDir;      // CACHE: the page cache directory
    std::optional<int> timeout;          // TIMEOUT (seconds; stored only)
    std::optional<StrBuf> language;      // LANGUAGE
    std::optional<int> encoding;         // ENCODING: character set code
    std::optional<StrBuf> zgwSuffix;     // ZGWSUFFIX: template file suffix
    NamedList<StrBuf> mimeTypes;         // MIME: suffix -> content type
    std::optional<StrBuf> hilon;         // HILITEATTR: the start tag around hits
    std::optional<StrBuf> hiloff;        // HILITEATTR: its end tag
    std::optional<int> hilite;           // HILITE
    std::optional<StrBuf> zvOutputDir;   // ZVDIR, ZV_OUTPUT_DIR
    std::optional<StrBuf> zvOutputUrl;   // ZV_OUTPUT_URL
    bool noDebug = false;                // NODEBUG: ${DEBUG} has no effect
    std::optional<int> messageLevel;     // MSG-LEVEL (stored even when refused)
    std::optional<StrBuf> msgNoHits;     // MSG-NOHIT
    std::optional<StrBuf> msgLogin;      // MSG-LOGIN
    std::optional<StrBuf> msgOther;      // MSG-OTHER
    BaseTables bases;                    // BASE lines
};
