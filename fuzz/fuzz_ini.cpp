// The portable INI reader on arbitrary bytes: every profile read with tiny, exact and
// roomy capacities. A read may never write at or past its capacity nor report more than
// it wrote; a list must end with an empty text inside the buffer; a cut read must be the
// start of the whole one.
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "config/IniDocument.h"

namespace {

using Read = std::function<std::uint32_t(char16_t*, std::uint32_t)>;
constexpr char16_t kGuard = 0xBEEF;

void Require(bool condition) {
    if (!condition) std::abort();
}

// Reads into `capacity` characters followed by guards and checks what was written. Gives
// what the read says it wrote and, for a list, its texts.
std::u16string Check(const Read& read, std::uint32_t capacity, bool list,
                     std::vector<std::u16string>* texts) {
    std::u16string data(capacity + 16, kGuard);
    const std::uint32_t returned = read(data.data(), capacity);
    for (std::size_t i = capacity; i < data.size(); ++i) Require(data[i] == kGuard);
    const std::uint32_t nuls = list ? 2 : 1;
    Require(capacity < nuls ? returned == 0 : returned <= capacity - nuls && data[returned] == u'\0');
    for (std::size_t start = 0; list && capacity >= nuls && data[start] != u'\0';) {
        const std::size_t end = data.find(u'\0', start);
        Require(end < capacity - 1);
        if (texts) texts->push_back(data.substr(start, end - start));
        start = end + 1;
    }
    return data.substr(0, capacity < nuls ? 0 : returned);
}

// Room for anything the input can yield (no decoded text is longer than its bytes), then
// cut short, exactly fitting and with room to spare.
std::vector<std::u16string> CheckAll(const Read& read, std::uint32_t roomy, bool list) {
    std::vector<std::u16string> texts;
    const std::u16string whole = Check(read, roomy, list, &texts);
    const auto n = static_cast<std::uint32_t>(whole.size());
    for (const std::uint32_t capacity : {0u, 1u, 2u, 3u, 5u, n, n + 1, n + 2, n + 3}) {
        const std::u16string cut = Check(read, capacity, list, nullptr);
        Require(whole.compare(0, cut.size(), cut) == 0);
    }
    return list ? texts : std::vector{whole};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessmo;
    const IniDocument document =
        IniDocument::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    const auto roomy = static_cast<std::uint32_t>(2 * size + 64);
    const auto value = [&](std::u16string_view section, std::u16string_view key) {
        CheckAll([&](char16_t* b,
                     std::uint32_t n) { return ProfileString(&document, section, key, u"d  ", b, n); },
                 roomy, false);
        ProfileInt(&document, section, key, -1);
    };
    const auto names = CheckAll(
        [&](char16_t* b, std::uint32_t n) { return ProfileSectionNames(&document, b, n); }, roomy, true);
    for (std::size_t i = 0; i < names.size() && i < 32; ++i) {
        Require(document.FindSection(names[i]) != nullptr);  // every listed name can be read by name
        const auto lines =
            CheckAll([&](char16_t* b, std::uint32_t n) { return ProfileSection(&document, names[i], b, n); },
                     roomy, true);
        for (std::size_t k = 0; k < lines.size() && k < 16; ++k) {
            value(names[i], lines[k].substr(0, lines[k].find(u'=')));
        }
    }
    value(u"Private", u"Title");
    return 0;
}
