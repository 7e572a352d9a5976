#pragma once
// The loaders' scratch buffers: sized by a file's length in bytes counted as
// characters, handed to the profile source, and read back only as far as the source
// says it wrote.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/Allocation.h"

namespace tessmo {

// A buffer larger than this "cannot be had": 64 Mi characters (128 MiB) is far beyond
// any definition or settings file, and the bound gives a huge or misreported file
// length a plain failure instead of an allocation of up to 8 GiB.
inline constexpr std::uint32_t kMaxScratchChars = 64u * 1024 * 1024;

class ScratchText {
public:
    // Not zero-filled: the catalogue takes one buffer per section, each sized by the
    // whole file, and clearing them would make loading quadratic in the file's size.
    explicit ScratchText(std::uint32_t capacity) {
        if (capacity > kMaxScratchChars) return;
        if (capacity > 0) {
            data_ = TryAllocateArray<char16_t>(capacity);
            if (!data_) return;
        }
        capacity_ = capacity;
        valid_ = true;
    }

    bool Valid() const { return valid_; }
    char16_t* Data() { return data_.get(); }
    std::uint32_t Capacity() const { return capacity_; }

    // The text a string read put there: `returned` characters, never past the buffer.
    std::u16string Text(std::uint32_t returned) const {
        if (capacity_ == 0) return {};
        const std::u16string_view text(data_.get(), std::min(returned, capacity_ - 1));
        return std::u16string(text.substr(0, std::min(text.find(u'\0'), text.size())));
    }

    // Calls visit(text) for each text of a list read (NUL-terminated texts ended by an
    // empty one), looking only at what the read says it wrote and never past the buffer.
    template <typename Visit>
    void ForEachListText(std::uint32_t returned, Visit&& visit) const {
        if (capacity_ < 2) return;
        const std::size_t visible = returned < capacity_ ? std::size_t{returned} + 1 : capacity_;
        const std::u16string_view list(data_.get(), visible);
        std::size_t start = 0;
        while (start < list.size()) {
            const std::size_t end = list.find(u'\0', start);
            if (end == start || end == std::u16string_view::npos) return;
            visit(list.substr(start, end - start));
            start = end + 1;
        }
    }

private:
    std::unique_ptr<char16_t[]> data_;
    std::uint32_t capacity_ = 0;
    bool valid_ = false;
};

}  // namespace tessmo
