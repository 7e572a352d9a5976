#include "profile/Win32ProfileSource.h"

#include <windows.h>

#include <limits>

#include "profile/FileHandle.h"
#include "ui/WideText.h"

namespace tessmo::win32 {

std::optional<std::uint32_t> Win32ProfileSource::FileLength(const std::u16string& path) {
    const FileHandle file = OpenShared(path, GENERIC_READ);
    if (!file.IsOpen()) return std::nullopt;
    DWORD high = 0;
    const DWORD low = GetFileSize(file.Get(), &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return std::nullopt;
    // Beyond 4 GiB the length is reported as the largest one rather than wrapped to a
    // small number, so no buffer sized by it pretends to hold the file.
    if (high != 0) return std::numeric_limits<std::uint32_t>::max();
    return low;
}

std::uint32_t Win32ProfileSource::GetSectionNames(char16_t* buffer, std::uint32_t capacity,
                                                  const std::u16string& path) {
    return GetPrivateProfileSectionNamesW(Wide(buffer), capacity, Wide(path));
}

std::uint32_t Win32ProfileSource::GetSection(const std::u16string& section, char16_t* buffer,
                                             std::uint32_t capacity, const std::u16string& path) {
    return GetPrivateProfileSectionW(Wide(section), Wide(buffer), capacity, Wide(path));
}

std::uint32_t Win32ProfileSource::GetString(const std::u16string& section, const std::u16string& key,
                                            const std::u16string& defaultValue, char16_t* buffer,
                                            std::uint32_t capacity, const std::u16string& path) {
    return GetPrivateProfileStringW(Wide(section), Wide(key), Wide(defaultValue), Wide(buffer), capacity,
                                    Wide(path));
}

std::uint32_t Win32ProfileSource::GetInt(const std::u16string& section, const std::u16string& key,
                                         std::int32_t defaultValue, const std::u16string& path) {
    return GetPrivateProfileIntW(Wide(section), Wide(key), defaultValue, Wide(path));
}

}  // namespace tessmo::win32
