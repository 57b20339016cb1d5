#include "image_plan.h"

#include <cstdlib>

namespace mkpe {

std::string Version::Text() const {
    return std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." + std::to_string(parts[2]) + "." +
           std::to_string(parts[3]);
}

bool ParseVersion(const std::string& text, Version& version) {
    size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        size_t dot = text.find('.', start);
        bool last = i == 3;
        if (last != (dot == std::string::npos)) return false;
        std::string part = text.substr(start, last ? std::string::npos : dot - start);
        if (part.empty() || part.size() > 5 || part.find_first_not_of("0123456789") != std::string::npos) return false;
        unsigned long value = std::strtoul(part.c_str(), nullptr, 10);
        if (value > 0xFFFF) return false;
        version.parts[static_cast<size_t>(i)] = static_cast<uint16_t>(value);
        start = dot + 1;
    }
    return true;
}

bool ParseKind(const std::string& text, Kind& kind) {
    if (text == "driver") kind = Kind::Driver;
    else if (text == "vxd") kind = Kind::Vxd;
    else if (text == "program") kind = Kind::Program;
    else return false;
    return true;
}

bool ParseMachine(const std::string& text, Machine& machine) {
    if (text == "i386") machine = Machine::I386;
    else if (text == "amd64") machine = Machine::Amd64;
    else return false;
    return true;
}

}  // namespace mkpe
