#pragma once
// One check of a definition file (and optionally a settings file), from the bytes read
// to the JSON and the warnings, without touching the file system or the terminal: the
// command, the benchmarks and the fuzz targets all run exactly this.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/CatalogLint.h"

namespace tessmo::catalog {

struct CatalogReport {
    std::string json;  // see CatalogueJson
    std::vector<Warning> warnings;
};

// Loads the bytes with the tool's own loaders, as if they were the files the tool opens.
CatalogReport CheckCatalogue(std::string_view definitions, std::optional<std::string_view> settings);

// The warnings as "FILE:LINE: warning: TEXT" lines ("FILE: warning: TEXT" for the whole file).
std::string FormatWarnings(std::string_view displayPath, const std::vector<Warning>& warnings);

}  // namespace tessmo::catalog
