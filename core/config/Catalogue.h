#pragma once
#include <string>

#include "config/ParamItem.h"
#include "config/ProfileSource.h"

namespace tessmo {

inline constexpr char16_t kDefinitionFile[] = u".\\Vorlund.ini";

// Rebuilds `list` from the definition file: one item per section, in file order.
// 1 = read; 0 = the file cannot be opened or no scratch buffer can be had, and
// `list` is left exactly as it was.
int LoadParamList(ProfileSource& profile, const std::u16string& path, ParamList& list);

// Builds one item from one section and appends it. false, nothing appended, when
// path or section is empty, the file cannot be opened or no scratch buffer can be had.
bool LoadParamSection(ProfileSource& profile, const std::u16string& path, const std::u16string& section,
                      ParamList& list);

}  // namespace tessmo
