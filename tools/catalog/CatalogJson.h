#pragma once
// The catalogue as JSON: always well-formed JSON in valid UTF-8, whatever the files held
// (unpaired surrogates become U+FFFD, control characters are escaped).
#include <string>

#include "config/ParamItem.h"
#include "config/Settings.h"

namespace tessmo::catalog {

struct SettingsReading {
    std::u16string title;
    AppSettings settings;
};

// {"parameters":[...]} and, with settings, "settings":{...}; one line, ending in '\n'.
std::string CatalogueJson(const ParamList& list, const SettingsReading* settings);

}  // namespace tessmo::catalog
