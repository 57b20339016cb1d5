#include "window_styles.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace resgen {

std::optional<std::uint32_t> StyleValue(const std::string& name)
{
    // The names the dialog source may use, with the values of the Windows headers.
    static const std::map<std::string, std::uint32_t> kStyles = {
        {"WS_POPUP", 0x80000000},      {"WS_CHILD", kWsChild},         {"WS_VISIBLE", kWsVisible},
        {"WS_DISABLED", 0x08000000},   {"WS_CAPTION", 0x00C00000},     {"WS_BORDER", 0x00800000},
        {"WS_DLGFRAME", 0x00400000},   {"WS_VSCROLL", 0x00200000},     {"WS_HSCROLL", 0x00100000},
        {"WS_SYSMENU", 0x00080000},    {"WS_GROUP", 0x00020000},       {"WS_TABSTOP", 0x00010000},
        {"DS_3DLOOK", 0x0004},         {"DS_SETFONT", kDsSetFont},     {"DS_MODALFRAME", 0x0080},
        {"DS_SETFOREGROUND", 0x0200},  {"DS_CENTER", 0x0800},
        {"SS_LEFT", 0x0000},           {"SS_CENTER", 0x0001},          {"SS_RIGHT", 0x0002},
        {"SS_BLACKFRAME", 0x0007},     {"SS_GRAYFRAME", 0x0008},       {"SS_WHITEFRAME", 0x0009},
        {"SS_BITMAP", 0x000E},         {"SS_ETCHEDHORZ", 0x0010},      {"SS_ETCHEDFRAME", 0x0012},
        {"SS_NOPREFIX", 0x0080},       {"SS_CENTERIMAGE", 0x0200},     {"SS_REALSIZEIMAGE", 0x0800},
        {"SS_SUNKEN", 0x1000},
        {"BS_PUSHBUTTON", 0x0000},     {"BS_DEFPUSHBUTTON", 0x0001},
        {"CBS_DROPDOWN", 0x0002},      {"CBS_DROPDOWNLIST", 0x0003},
        {"PBS_SMOOTH", 0x0001},
    };
    const auto it = kStyles.find(name);
    if (it == kStyles.end())
        return std::nullopt;
    return it->second;
}

std::optional<std::uint16_t> PredefinedClassAtom(const std::string& className)
{
    static const char* const kClasses[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};
    std::string upper = className;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    for (std::uint16_t i = 0; i < 6; ++i) {
        if (upper == kClasses[i])
            return static_cast<std::uint16_t>(0x80 + i);
    }
    return std::nullopt;
}

} // namespace resgen
