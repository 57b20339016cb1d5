#include "image_checks.h"

#include <cstdint>
#include <cstdio>

namespace {

uint32_t get16(const std::vector<unsigned char> &b, size_t at) { return b[at] | b[at + 1] << 8; }
uint32_t get32(const std::vector<unsigned char> &b, size_t at) { return get16(b, at) | get16(b, at + 2) << 16; }

constexpr size_t kNewHeaderPointer = 0x3C;   // e_lfanew in the MZ header

// Where the new header starts, or an explanation in `why`.
size_t newHeader(const std::vector<unsigned char> &bytes, size_t need, std::string &why)
{
    if (bytes.size() < kNewHeaderPointer + 4 || bytes[0] != 'M' || bytes[1] != 'Z') {
        why = "no MZ header";
        return 0;
    }
    size_t at = get32(bytes, kNewHeaderPointer);
    if (at < kNewHeaderPointer + 4 || at > bytes.size() || bytes.size() - at < need) {
        why = "the MZ header's new-header offset points outside the file";
        return 0;
    }
    return at;
}

std::string hex(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

}  // namespace

std::string checkNativeDriver(const std::vector<unsigned char> &bytes)
{
    std::string why;
    // Signature, file header (20 bytes), and the optional header up to its subsystem field.
    size_t pe = newHeader(bytes, 4 + 20 + 70, why);
    if (!pe)
        return why;
    if (bytes[pe] != 'P' || bytes[pe + 1] != 'E' || bytes[pe + 2] || bytes[pe + 3])
        return "not a PE image (no \"PE\" signature at the new header)";
    uint32_t machine = get16(bytes, pe + 4);
    if (machine != 0x14C)
        return "not built for i386 (machine " + hex(machine) + ")";
    uint32_t optionalSize = get16(bytes, pe + 20);
    size_t optional = pe + 24;
    if (optionalSize < 70 || get16(bytes, optional) != 0x10B)
        return "not a PE32 image (no 32-bit optional header)";
    uint32_t subsystem = get16(bytes, optional + 68);
    if (subsystem != 1)
        return "not a kernel-mode driver (subsystem " + std::to_string(subsystem) + ", not 1 native)";
    return "";
}

std::string checkLinearExecutable(const std::vector<unsigned char> &bytes)
{
    std::string why;
    size_t le = newHeader(bytes, 2, why);
    if (!le)
        return why;
    if (bytes[le] != 'L' || bytes[le + 1] != 'E') {
        std::string found = bytes[le] >= 0x20 && bytes[le] < 0x7F && bytes[le + 1] >= 0x20 && bytes[le + 1] < 0x7F
                                ? "\"" + std::string(1, char(bytes[le])) + char(bytes[le + 1]) + "\""
                                : "no known signature";
        return "not a linear executable (LE): its new header holds " + found;
    }
    return "";
}
