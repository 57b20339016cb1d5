#include <cstdlib>

#include "kernel32/resource_lookup.h"

namespace winsim {

bool ResourceOrdinal(LPCSTR name, WORD& ordinal) {
    ULONG_PTR value = reinterpret_cast<ULONG_PTR>(name);
    if ((value >> 16) == 0) {
        ordinal = static_cast<WORD>(value);
        return true;
    }
    if (name[0] != '#' || name[1] == '\0') return false;
    char* end = nullptr;
    unsigned long number = std::strtoul(name + 1, &end, 10);
    if (*end || number > 0xFFFF) return false;
    ordinal = static_cast<WORD>(number);
    return true;
}

std::string ResourceNameText(LPCSTR name) {
    WORD ordinal = 0;
    if (ResourceOrdinal(name, ordinal)) return std::to_string(ordinal);
    return name ? std::string("\"") + name + "\"" : "(none)";
}

}  // namespace winsim
