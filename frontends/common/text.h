#pragma once
// Small text rules shared by the front ends: how a user's text is shown inside a one-line
// message, and how a file name's suffix is recognised.

#include <string>
#include <string_view>

namespace frontends {

// A control character would break a one-line message apart.
constexpr bool is_control(char c) {
    return (unsigned char)c < 0x20 || c == 0x7F;
}

// What a line break in a message stands for: a value's own character (shown as '?', as any other
// control character), or a break of the message's text, which was written across lines.
enum class LineBreaks { kShown, kSpaces };

// A message made one line: each control character in it (a value or a file name may hold any)
// shown as '?', line breaks as `breaks` says.
inline std::string one_line(std::string message, LineBreaks breaks = LineBreaks::kShown) {
    for (char& c : message) {
        c = c == '\n' && breaks == LineBreaks::kSpaces ? ' ' : is_control(c) ? '?' : c;
    }
    return message;
}

// A user's text quoted in a message: at most 40 bytes of it, anything but printable ASCII as '?',
// and "..." when it was longer.
inline std::string shown(std::string_view text) {
    std::string out;
    for (char c : text.substr(0, 40)) {
        const unsigned char u = (unsigned char)c;
        out += (u >= 0x20 && u < 0x7F) ? c : '?';
    }
    return text.size() > 40 ? out + "..." : out;
}

// True when `text` ends in `suffix` (lower case), whatever the case of its letters.
inline bool has_suffix(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) {
        return false;
    }
    const std::string_view tail = text.substr(text.size() - suffix.size());
    for (size_t i = 0; i < suffix.size(); ++i) {
        const unsigned char c = (unsigned char)tail[i];
        if ((c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c) != (unsigned char)suffix[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace frontends
