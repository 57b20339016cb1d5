#pragma once

#include <cstdint>
#include <vector>

#include "pictures.h"
#include "sources.h"

namespace resgen {

constexpr std::uint16_t kRtBitmap = 2;
constexpr std::uint16_t kRtIcon = 3;
constexpr std::uint16_t kRtDialog = 5;
constexpr std::uint16_t kRtString = 6;
constexpr std::uint16_t kRtGroupIcon = 14;
constexpr std::uint16_t kRtVersion = 16;

// The name of the one version resource (VS_VERSION_INFO).
constexpr std::uint16_t kVersionName = 1;

// The dialog, the picture and the icon serve every language, so they are language neutral
// (the first language FindResource tries); only the string tables carry a LANGID.
constexpr std::uint16_t kNeutralLanguage = 0;

// The resource compiler numbers the images of an ICON statement from 1 upwards.
constexpr std::uint16_t kFirstIconImageName = 1;

struct Resource {
    std::uint16_t type;
    std::uint16_t name;
    std::uint16_t language;
    std::vector<std::uint8_t> data;
};

// Every resource of the installer (its string tables without the uninstaller's block),
// ordered by type, name and language as a PE resource directory orders them; throws
// InputError when the dialog shows a picture that is not drawn.
std::vector<Resource> BuildResources(const ResourceSources& sources, const Pictures& pictures);

// The uninstaller's resources: the icon, every string table (its own texts are a block of
// each) and its version resource (VS_VERSIONINFO bytes), in the same order.
std::vector<Resource> BuildUninstallerResources(const ResourceSources& sources, const Pictures& pictures,
                                                const std::vector<std::uint8_t>& versionResource);

} // namespace resgen
