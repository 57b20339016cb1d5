// The LE reader over any bytes: header, the VxD's version resource and the
// 16-bit tree, the way winsim's version calls and the release checks use it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "le_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    le::Source file = le::FromBuffer(data, size);
    le::Header header;
    std::string why;
    le::ReadHeader(file, header, why);
    std::vector<uint8_t> resource;
    if (le::ReadVersionResource(file, resource, why) != le::Status::Ok) return 0;
    le::VersionInfo info;
    le::ReadVersionInfo(resource, info);
    le::Block16 block;
    for (const char* path : {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904E4\\FileVersion",
                             "\\StringFileInfo\\040904E4"})
        le::FindBlock16(resource.data(), resource.size(), path, block);
    // A copy cut short, as a caller's block given too small holds it.
    if (!resource.empty()) le::FindBlock16(resource.data(), resource.size() / 2, "\\StringFileInfo", block);
    return 0;
}
