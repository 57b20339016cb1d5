#include "ui/terminal_keys.h"

#include <cctype>

namespace winsim {
namespace {

TerminalKey Key(UINT vk, size_t used, bool shift = false, bool alt = false) {
    TerminalKey k;
    k.kind = TerminalKey::Kind::Action;
    k.used = used;
    k.action.kind = UiAction::Kind::Key;
    k.action.key = vk;
    k.action.shift = shift;
    k.action.alt = alt;
    k.action.text = "key " + KeyName(k.action);
    return k;
}

TerminalKey Other(TerminalKey::Kind kind, size_t used) {
    TerminalKey k;
    k.kind = kind;
    k.used = used;
    return k;
}

// The key of a CSI or SS3 sequence by its final byte (and number, for "~").
TerminalKey Sequence(const std::string& s, size_t length) {
    char last = s[length - 1];
    std::string number = s.substr(2, length - 3);
    switch (last) {
        case 'A': return Key(VK_UP, length);
        case 'B': return Key(VK_DOWN, length);
        case 'C': return Key(VK_RIGHT, length);
        case 'D': return Key(VK_LEFT, length);
        case 'H': return Key(VK_HOME, length);
        case 'F': return Key(VK_END, length);
        case 'Z': return Key(VK_TAB, length, true);
        case 'S': return Key(VK_F4, length);
        case '~':
            if (number == "1" || number == "7") return Key(VK_HOME, length);
            if (number == "4" || number == "8") return Key(VK_END, length);
            if (number == "5") return Key(VK_PRIOR, length);
            if (number == "6") return Key(VK_NEXT, length);
            if (number == "14") return Key(VK_F4, length);
            break;
        default: break;
    }
    return Other(TerminalKey::Kind::Ignored, length);
}

}  // namespace

TerminalKey DecodeTerminalKey(const std::string& bytes, bool final) {
    if (bytes.empty()) return Other(TerminalKey::Kind::Incomplete, 0);
    unsigned char c = static_cast<unsigned char>(bytes[0]);
    if (c == 0x1B) {
        if (bytes.size() == 1) return final ? Key(VK_ESCAPE, 1) : Other(TerminalKey::Kind::Incomplete, 0);
        char second = bytes[1];
        if (second == '[' || second == 'O') {
            // Parameters, then a final byte from '@' to '~'.
            for (size_t i = 2; i < bytes.size(); ++i) {
                unsigned char b = static_cast<unsigned char>(bytes[i]);
                if (b >= 0x40 && b <= 0x7E) return Sequence(bytes, i + 1);
            }
            return final ? Other(TerminalKey::Kind::Ignored, bytes.size()) : Other(TerminalKey::Kind::Incomplete, 0);
        }
        if (std::isalnum(static_cast<unsigned char>(second)))
            return Key(static_cast<UINT>(std::toupper(static_cast<unsigned char>(second))), 2, false, true);
        return Key(VK_ESCAPE, 1);
    }
    switch (c) {
        case '\t': return Key(VK_TAB, 1);
        case '\r':
        case '\n': return Key(VK_RETURN, 1);
        case ' ': return Key(VK_SPACE, 1);
        case 0x7F:
        case 0x08: return Key(VK_BACK, 1);
        case 0x0C: return Other(TerminalKey::Kind::Redraw, 1);
        case 0x04: {
            TerminalKey k = Other(TerminalKey::Kind::Action, 1);
            k.action.kind = UiAction::Kind::Close;
            k.action.text = "close";
            return k;
        }
        default: break;
    }
    if (std::isalnum(c)) return Key(static_cast<UINT>(std::toupper(c)), 1, std::isupper(c) != 0);
    return Other(TerminalKey::Kind::Ignored, 1);
}

}  // namespace winsim
