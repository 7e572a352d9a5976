#pragma once
// The core's UTF-16 text and Qt's QString share their encoding: conversions copy code
// units unchanged, so option texts compare the same on both sides.
#include <QString>
#include <string>

namespace tessmo::qt {

inline QString ToQString(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::u16string ToU16(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}

}  // namespace tessmo::qt
