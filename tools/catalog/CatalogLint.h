#pragma once
// Authoring mistakes in a definition file that load without error but rarely mean what
// their author meant. Built on the loader's own parse and rules: the document the
// profile reads answer from, the option-line rule, the integer reading, and the list
// the loader produced.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/IniDocument.h"
#include "config/ParamItem.h"

namespace tessmo::catalog {

struct Warning {
    std::uint32_t line = 0;  // 1-based; 0 = the file as a whole
    std::string text;        // UTF-8, safe to print (see Printable)
    bool severe = false;     // the file reads as nothing like what its author wrote
};

// `bytes` is the file as read, `document` its parse, `list` what LoadParamList made of
// it. In line order; linear in the size of the file.
std::vector<Warning> LintCatalogue(std::string_view bytes, const IniDocument& document,
                                   const ParamList& list);

}  // namespace tessmo::catalog
