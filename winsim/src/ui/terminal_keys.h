// The bytes a terminal sends for keys, read as the keys a Windows user would
// press: Tab, Shift+Tab, Enter, Space, Esc, the arrows, Home, End, Page
// Up/Down, F4, Backspace, letters and digits, Alt+letter (Esc then the
// letter). Ctrl+D is the system menu's close, Ctrl+L asks for a redraw.
#ifndef WINSIM_TERMINAL_KEYS_H
#define WINSIM_TERMINAL_KEYS_H

#include <string>

#include "ui/ui_script.h"

namespace winsim {

struct TerminalKey {
    enum class Kind { Incomplete, Action, Redraw, Ignored };
    Kind kind = Kind::Ignored;
    UiAction action;   // Action: a key or close
    size_t used = 0;   // bytes of the input taken
};

// Reads one key from the start of `bytes`. A lone Esc is Incomplete unless
// `final` says no more bytes are coming soon, then it is the Esc key.
TerminalKey DecodeTerminalKey(const std::string& bytes, bool final);

}  // namespace winsim

#endif
