#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace resgen {

constexpr std::uint32_t kWsChild = 0x40000000;
constexpr std::uint32_t kWsVisible = 0x10000000;
constexpr std::uint32_t kDsSetFont = 0x00000040;

// The value of a window, dialog or control style name (WS_CHILD, SS_BITMAP, ...).
std::optional<std::uint32_t> StyleValue(const std::string& name);

// The atom by which a dialog template names a predefined control class
// (BUTTON 0x80, EDIT, STATIC, LISTBOX, SCROLLBAR, COMBOBOX 0x85), matched without case.
std::optional<std::uint16_t> PredefinedClassAtom(const std::string& className);

} // namespace resgen
