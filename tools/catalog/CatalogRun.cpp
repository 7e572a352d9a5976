#include "catalog/CatalogRun.h"

#include <algorithm>
#include <cstdint>

#include "catalog/CatalogJson.h"
#include "catalog/DocumentProfileSource.h"
#include "config/Catalogue.h"

namespace tessmo::catalog {

namespace {

// The bytes were read whole; beyond 4 GiB the length is the largest one, as the tool's
// own source reports it, so no buffer sized by it pretends to hold the file.
std::uint32_t LengthOf(std::string_view bytes) {
    return static_cast<std::uint32_t>(std::min<std::size_t>(bytes.size(), UINT32_MAX));
}

}  // namespace

CatalogReport CheckCatalogue(std::string_view definitions, std::optional<std::string_view> settings) {
    const IniDocument document = IniDocument::Parse(definitions);
    DocumentProfileSource definitionSource(kDefinitionFile, document, LengthOf(definitions));
    ParamList list;
    LoadParamList(definitionSource, kDefinitionFile, list);

    std::optional<SettingsReading> reading;
    if (settings) {
        const IniDocument settingsDocument = IniDocument::Parse(*settings);
        DocumentProfileSource settingsSource(kSettingsFile, settingsDocument, LengthOf(*settings));
        reading.emplace();
        LoadSettings(settingsSource, kSettingsFile, reading->settings,
                     [&](const std::u16string& title) { reading->title = title; });
    }

    CatalogReport report;
    report.json = CatalogueJson(list, reading ? &*reading : nullptr);
    report.warnings = LintCatalogue(definitions, document, list);
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
