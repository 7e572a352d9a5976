#pragma once
// How results look on stdout: NAME: OPTION lines, or JSON.
#include <optional>
#include <string>
#include <vector>

#include "Ctl.h"

namespace tessmo::ctl {

// One parameter's value as read or written; nullopt: the camera did not answer.
struct ValueReport {
    const ParamItem* item = nullptr;
    std::optional<std::uint8_t> value;
};

// `item` pointers must stay valid while the reports are printed.
std::string TextLines(const std::vector<ValueReport>& values);
// [{"name":...,"ParaIdx":...,"value":...,"option":...},...]
std::string JsonArray(const std::vector<ValueReport>& values);
// A JSON string literal of UTF-8 text.
std::string JsonString(const std::string& utf8);

void PrintResult(const std::string& text);

}  // namespace tessmo::ctl
