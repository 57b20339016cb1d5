// What a stand-in image is to look like: its kind, processor and version
// resource. Shared by the PE writer, the list reader and the tool.
#ifndef MKPE_IMAGE_PLAN_H
#define MKPE_IMAGE_PLAN_H

#include <array>
#include <cstdint>
#include <string>

namespace mkpe {

struct Version {
    std::array<uint16_t, 4> parts{};  // major, minor, sub-version, build
    uint32_t Ms() const { return static_cast<uint32_t>(parts[0]) << 16 | parts[1]; }
    uint32_t Ls() const { return static_cast<uint32_t>(parts[2]) << 16 | parts[3]; }
    std::string Text() const;
};

// "7.1.0.189": four numbers from 0 to 65535.
bool ParseVersion(const std::string& text, Version& version);

enum class Kind { Driver, Vxd, Program };
enum class Machine { I386, Amd64 };

bool ParseKind(const std::string& text, Kind& kind);
bool ParseMachine(const std::string& text, Machine& machine);

struct ImagePlan {
    std::string fileName = "HALVIK.SYS";  // OriginalFilename, and InternalName without extension
    Kind kind = Kind::Driver;
    Machine machine = Machine::I386;
    bool withVersion = true;
    Version fileVersion{{7, 1, 0, 189}};
    Version productVersion{{7, 1, 0, 189}};
    std::string description = "Tessera Disc Reader filter driver";  // UTF-8
    std::string company = "Talven";
    std::string product = "Tessera Disc Reader";
    std::string copyright = "Copyright (C) Talven";
    // Fixed, so that a build makes the same bytes every time.
    uint32_t timestamp = 0x3F000000;
};

}  // namespace mkpe

#endif
