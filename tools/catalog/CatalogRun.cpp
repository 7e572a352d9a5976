#include "catalog/CatalogRun.h"

#include "catalog/CatalogJson.h"
#include "catalog/MemoryProfileFiles.h"
#include "config/Catalogue.h"
#include "config/PortableProfileSource.h"

namespace tessmo::catalog {

CatalogReport CheckCatalogue(std::string_view definitions, std::optional<std::string_view> settings) {
    MemoryProfileFiles files;
    files.Put(kDefinitionFile, std::string(definitions));
    if (settings) files.Put(kSettingsFile, std::string(*settings));
    PortableProfileSource profile(files);

    // The bytes are in memory, so only a buffer that cannot be had fails a load; the
    // list then stays empty, as the tool's would.
    ParamList list;
    LoadParamList(profile, kDefinitionFile, list);
    std::optional<SettingsReading> reading;
    if (settings) {
        reading.emplace();
        LoadSettings(profile, kSettingsFile, reading->settings,
                     [&](const std::u16string& title) { reading->title = title; });
    }

    CatalogReport report;
    report.json = CatalogueJson(list, reading ? &*reading : nullptr);
    report.warnings = LintCatalogue(definitions, IniDocument::Parse(definitions), list);
    return report;
}

std::string FormatWarnings(std::string_view displayPath, const std::vector<Warning>& warnings) {
    std::string out;
    for (const Warning& warning : warnings) {
        out += displayPath;
        if (warning.line != 0) out += ":" + std::to_string(warning.line);
        out += ": warning: " + warning.text + "\n";
    }
    return out;
}

}  // namespace tessmo::catalog
