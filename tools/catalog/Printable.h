#pragma once
// Text from a definition file or a command line, made safe to show on a terminal.
#include <string>
#include <string_view>

namespace tessmo::catalog {

// UTF-8 with every control character (C0, DEL, C1) and every character that reorders
// or hides text (bidirectional controls) written as an escape: \x1B, \u{202E}. A section
// name can then never clear the screen or disguise a message.
std::string Printable(std::u16string_view text);

// A path exactly as given: shown as UTF-8 when it is UTF-8, otherwise as ASCII with
// every other byte written \xNN, so the name on screen always identifies the file.
std::string PrintablePath(std::string_view bytes);

}  // namespace tessmo::catalog
