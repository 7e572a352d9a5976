// The catalogue checker on arbitrary bytes as both the definition and the settings file:
// its JSON is always exactly one valid JSON value in well-formed UTF-8, and its warnings
// (with an arbitrary path) are well-formed UTF-8 lines free of control characters, so no
// file can corrupt the output or take over the terminal.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "catalog/CatalogRun.h"
#include "catalog/Printable.h"
#include "common/Text.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

// Terminal-safe: no C0, DEL, C1 or bidirectional controls; every line starts with `prefix`,
// so no text can forge a line of its own.
void RequirePrintableLines(std::string_view text, std::string_view prefix) {
    Require(tessmo::DecodeUtf8(text, tessmo::Utf8Mode::Strict).has_value());
    Require(text.empty() || text.back() == '\n');
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (i == 0 || text[i - 1] == '\n') Require(text.substr(i, prefix.size()) == prefix);
        Require(byte == '\n' || (byte >= 0x20 && byte != 0x7F));
        if (byte == 0xC2) Require(static_cast<unsigned char>(text[i + 1]) >= 0xA0);  // not U+0080-U+009F
        for (const std::string_view bidi :
             {"\xE2\x80\xAA", "\xE2\x80\xAB", "\xE2\x80\xAC", "\xE2\x80\xAD", "\xE2\x80\xAE", "\xE2\x81\xA6",
              "\xE2\x81\xA7", "\xE2\x81\xA8", "\xE2\x81\xA9", "\xE2\x80\x8E", "\xE2\x80\x8F", "\xD8\x9C"}) {
            Require(text.substr(i, bidi.size()) != bidi);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto report = tessmo::catalog::CheckCatalogue(bytes, bytes);
    Require(report.json.starts_with("{\"parameters\":[") && report.json.ends_with("}\n"));
    // The library's parser is strict: well-formed UTF-8, no raw control characters, no
    // unpaired surrogate escapes, exactly one value.
    Require(nlohmann::json::accept(report.json));

    // The input's first bytes stand in for a path given on the command line.
    const std::string path = tessmo::catalog::PrintablePath(bytes.substr(0, 64));
    RequirePrintableLines(path + "\n", "");
    RequirePrintableLines(tessmo::catalog::FormatWarnings(path, report.warnings), path + ":");
    return 0;
}
