#include "common/Trace.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>

namespace tessmo {
namespace {

class StdoutSink final : public TraceSink {
public:
    void Write(std::string_view text) override {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
    }
};

}  // namespace

TraceSink& StdoutTrace() {
    static StdoutSink sink;
    return sink;
}

std::vector<std::string> TraceCollector::Lines() const {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text_.size()) {
        const std::size_t end = text_.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text_.substr(start));
            break;
        }
        lines.push_back(text_.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

void Tracef(TraceSink& sink, const char* format, ...) {
    char small[512];
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (needed < 0) {
        va_end(copy);
        return;
    }
    if (static_cast<std::size_t>(needed) < sizeof small) {
        sink.Write(std::string_view(small, static_cast<std::size_t>(needed)));
    } else {
        std::string big(static_cast<std::size_t>(needed) + 1, '\0');
        std::vsnprintf(big.data(), big.size(), format, copy);
        big.resize(static_cast<std::size_t>(needed));
        sink.Write(big);
    }
    va_end(copy);
}

std::string FormatPointer(const void* pointer) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    auto value = reinterpret_cast<std::uintptr_t>(pointer);
    std::string text(sizeof(void*) * 2, '0');
    for (std::size_t i = text.size(); i-- > 0;) {
        text[i] = kDigits[value & 0xF];
        value >>= 4;
    }
    return text;
}

}  // namespace tessmo
