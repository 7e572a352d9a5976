#pragma once
// A deterministic corpus of INI files for comparing the portable reader with the
// system's profile functions. Only constructs on which Windows and Wine read alike go
// in (Wine stands in for Windows here), so every disagreement is the portable reader's.
#include <cstdint>
#include <string>
#include <vector>

namespace tessmo::win32::corpus {

struct IniFile {
    std::string name;    // file name, unique within the corpus
    std::string bytes;   // exactly what goes on disk
    std::u16string text; // the same content as text, for messages
};

// `count` files from `seed`; the same arguments always give the same files.
std::vector<IniFile> Generate(std::uint64_t seed, int count);

}  // namespace tessmo::win32::corpus
