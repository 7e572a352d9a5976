#pragma once
// The trace: fixed-format lines on standard output, written by the start-up and
// by every camera request. Code that traces takes a TraceSink so tests can read
// back exactly what a user would see in a redirected stdout.
#include <string>
#include <string_view>
#include <vector>

namespace tessmo {

class TraceSink {
public:
    virtual ~TraceSink() = default;
    virtual void Write(std::string_view text) = 0;
};

// Writes to the C runtime's stdout and flushes each time, so a redirected trace
// is complete even when the process ends through exit() or is killed.
TraceSink& StdoutTrace();

// Keeps everything written; Lines() splits it at '\n' (a trailing line end gives no empty last line).
class TraceCollector final : public TraceSink {
public:
    void Write(std::string_view text) override { text_.append(text); }
    const std::string& Text() const { return text_; }
    std::vector<std::string> Lines() const;
    void Clear() { text_.clear(); }

private:
    std::string text_;
};

// printf-style formatting into a sink. "%p" is not used with it: pointers go
// through FormatPointer so every platform prints them alike.
void Tracef(TraceSink& sink, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// A pointer as the Windows C runtime prints "%p": upper-case hexadecimal, zero
// padded to the pointer's width ("0012FF40" on x86, "00000000" for null).
std::string FormatPointer(const void* pointer);

}  // namespace tessmo
