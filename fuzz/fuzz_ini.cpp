// The portable INI reader on arbitrary bytes: every profile read over the parse, with
// tiny, exact and roomy capacities. A read may never write at or past its capacity,
// never report more than it wrote, and a list must always end with an empty text
// inside the buffer; a cut read must be the start of the whole one.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "config/IniDocument.h"

namespace {

using tessmo::IniDocument;

constexpr char16_t kGuard = 0xBEEF;
constexpr std::size_t kGuardChars = 16;
constexpr std::size_t kMaxSections = 32;
constexpr std::size_t kMaxKeys = 16;

void Require(bool condition) {
    if (!condition) std::abort();
}

// A buffer of `capacity` characters followed by guard characters.
struct GuardedBuffer {
    explicit GuardedBuffer(std::uint32_t size) : capacity(size), data(size + kGuardChars, kGuard) {}
    char16_t* Get() { return data.data(); }
    void CheckGuards() const {
        for (std::size_t i = capacity; i < data.size(); ++i) Require(data[i] == kGuard);
    }
    std::uint32_t capacity;
    std::u16string data;
};

// The list as written: its texts up to the empty one, which must come inside the buffer.
std::vector<std::u16string> ListTexts(const GuardedBuffer& buffer) {
    std::vector<std::u16string> texts;
    std::size_t start = 0;
    for (;;) {
        Require(start < buffer.capacity);
        if (buffer.data[start] == u'\0') return texts;
        const std::size_t end = buffer.data.find(u'\0', start);
        Require(end < buffer.capacity);
        texts.emplace_back(buffer.data, start, end - start);
        start = end + 1;
    }
}

std::vector<std::uint32_t> Capacities(std::uint32_t whole) {
    return {0, 1, 2, 3, 5, whole > 0 ? whole - 1 : 0, whole, whole + 1, whole + 2};
}

// Reads a list with a roomy buffer, then again with small and exact capacities, and checks
// that every cut read keeps within its buffer and is the start of the whole list.
// Room for anything the input can yield: no decoded text is longer than its bytes.
std::uint32_t g_roomy = 0;

template <typename Read>
std::vector<std::u16string> CheckListRead(Read read) {
    GuardedBuffer roomy(g_roomy);
    const std::uint32_t whole = read(roomy.Get(), roomy.capacity);
    roomy.CheckGuards();
    Require(whole <= roomy.capacity - 2);
    const std::vector<std::u16string> texts = ListTexts(roomy);
    const std::u16string wholeText = roomy.data.substr(0, whole);

    for (const std::uint32_t capacity : Capacities(whole + 1)) {
        GuardedBuffer small(capacity);
        const std::uint32_t returned = read(small.Get(), capacity);
        small.CheckGuards();
        if (capacity < 2) {
            Require(returned == 0);
            continue;
        }
        Require(returned <= capacity - 2);
        ListTexts(small);
        const std::size_t kept = std::min<std::size_t>(returned, wholeText.size());
        Require(small.data.compare(0, kept, wholeText, 0, kept) == 0);
    }
    return texts;
}

void CheckStringRead(const IniDocument& document, std::u16string_view section,
                     std::u16string_view key) {
    GuardedBuffer roomy(g_roomy);
    const std::uint32_t whole =
        tessmo::ProfileString(&document, section, key, u"default  ", roomy.Get(), roomy.capacity);
    roomy.CheckGuards();
    Require(whole < roomy.capacity && roomy.data[whole] == u'\0');

    for (const std::uint32_t capacity : Capacities(whole + 1)) {
        GuardedBuffer small(capacity);
        const std::uint32_t returned =
            tessmo::ProfileString(&document, section, key, u"default  ", small.Get(), capacity);
        small.CheckGuards();
        if (capacity == 0) {
            Require(returned == 0);
            continue;
        }
        Require(returned < capacity && small.data[returned] == u'\0');
        Require(small.data.compare(0, returned, roomy.data, 0, returned) == 0);
    }
    tessmo::ProfileInt(&document, section, key, -1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const IniDocument document = IniDocument::Parse(bytes);
    g_roomy = static_cast<std::uint32_t>(2 * size + 64);

    const std::vector<std::u16string> names = CheckListRead([&](char16_t* buffer, std::uint32_t capacity) {
        return tessmo::ProfileSectionNames(&document, buffer, capacity);
    });

    std::size_t sections = 0;
    for (const std::u16string& name : names) {
        if (++sections > kMaxSections) break;
        // Every listed name must be readable by name.
        Require(document.FindSection(name) != nullptr);
        const std::vector<std::u16string> lines =
            CheckListRead([&](char16_t* buffer, std::uint32_t capacity) {
                return tessmo::ProfileSection(&document, name, buffer, capacity);
            });
        std::size_t keys = 0;
        for (const std::u16string& line : lines) {
            if (++keys > kMaxKeys) break;
            const std::size_t equals = line.find(u'=');
            CheckStringRead(document, name, line.substr(0, equals));
        }
        CheckStringRead(document, name, u"MainStr");
    }
    CheckStringRead(document, u"Private", u"Title");
    return 0;
}
