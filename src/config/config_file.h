// config_file.h - reading the configuration file that ZGW_CONF names into
// ConfigSettings. Failures are reported in a ConfigError; settings made by the
// lines before a failure stay in the settings.
#pragma once

#include <string_view>

#include "config/config_error.h"
#include "config/config_settings.h"

// Reads the file ZGW_CONF names into `settings`, makes the cache directory the current
// directory, names the engine's session file there and takes user and password from
// the login cookies (zgwuser, zgwpasswd) when both are sent. 0, or -1 with `error` set.
int readConfig(ConfigSettings& settings, ConfigError& error);

// Applies one line (without a comment) to `settings`: 0, or 1 with `error` set.
int parseConfigLine(ConfigSettings& settings, std::string_view line, ConfigError& error);
