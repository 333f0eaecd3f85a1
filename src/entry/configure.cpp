// configure.cpp - zoltgw::readConfig: reads the configuration (src/config) and applies
// its settings to the fields where the request reads them. This is the one place that
// knows where each setting lives; a setting the file leaves alone keeps its default.

#include <optional>
#include <utility>

#include "cgi/debug_log.h"
#include "cgi/entry_list.h"
#include "config/config_file.h"
#include "entry/zoltgw.h"

namespace {

// Moves a setting that the file made into its field.
template <class Setting, class Field>
void applySetting(std::optional<Setting>& setting, Field& field) {
    if (setting) field = std::move(*setting);
}

// Puts every setting of one reading into the controller. Also after a failed reading:
// the lines before the failure count (the message level decides what the error page shows).
void applySettings(zoltgw& gw, ConfigSettings& settings) {
    FindResult& result = gw.findresult;
    if (!settings.configFile.empty()) gw.configFile = settings.configFile;
    applySetting(settings.userName, result.userName);
    applySetting(settings.password, result.password);
    applySetting(settings.maxHits, result.maxHits);
    gw.cacheGiven = settings.cacheDir ? 1 : 0;
    applySetting(settings.cacheDir, result.cacheDir);
    applySetting(settings.timeout, gw.timeout);
    applySetting(settings.language, result.language);
    applySetting(settings.encoding, gw.db.encoding);
    applySetting(settings.zgwSuffix, result.zgwSuffix);
    applySetting(settings.hilon, gw.db.hilon);
    applySetting(settings.hiloff, gw.db.hiloff);
    applySetting(settings.hilite, gw.db.hilite);
    applySetting(settings.zvOutputDir, result.zvOutputDir);
    applySetting(settings.zvOutputUrl, result.zvOutputUrl);
    if (settings.noDebug) result.debugEcho = -1;
    applySetting(settings.messageLevel, gw.db.messageLevel);
    applySetting(settings.msgNoHits, gw.db.msgNoHits);
    applySetting(settings.msgLogin, gw.db.msgLogin);
    applySetting(settings.msgOther, gw.db.msgOther);
    // The configuration is read once per request: its lists replace the empty defaults.
    gw.mimeTypes = std::move(settings.mimeTypes);
    result.applDirTable = std::move(settings.bases.applDirTable);
    result.expiredUrlTable = std::move(settings.bases.expiredUrlTable);
    result.baseApplTable = std::move(settings.bases.baseApplTable);
    gw.accessRules = std::move(settings.bases.access);
}

void logSettings(const zoltgw& gw) {
    for (const Entry* cookie = cookieEntries.first(); cookie; cookie = cookie->next.get()) {
        // The password cookie unscrambles to the clear password: keep it out of the log.
        bool secret = cookie->name == "zgwpasswd";
        debugLog("cookie %s=%s", cookie->name.c_str(), secret ? "(not shown)" : cookie->value.c_str());
    }
    debugLog("user %s", gw.findresult.userName.c_str());
    for (const auto& pair : gw.mimeTypes) debugLog("MIME %s %s", pair->key.c_str(), pair->value.c_str());
}

}  // namespace

int zoltgw::readConfig() {
    ConfigSettings settings;
    ConfigError error;
    int result = ::readConfig(settings, error);
    applySettings(*this, settings);
    if (result != 0) return failStep(error.html.view(), error.line, error.unit);
    if (debugOn()) logSettings(*this);
    return 0;
}
