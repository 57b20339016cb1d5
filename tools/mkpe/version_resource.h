// The VS_VERSIONINFO resource of a stand-in image: the fixed part, one
// StringFileInfo table for U.S. English and the matching VarFileInfo
// translation. The 32-bit form (PE images) is Unicode (040904B0); the 16-bit
// form (what a VxD carries, as 16-bit resource compilers write it) is ANSI
// in code page 1252 (040904E4).
#ifndef MKPE_VERSION_RESOURCE_H
#define MKPE_VERSION_RESOURCE_H

#include <cstdint>
#include <vector>

#include "image_plan.h"

namespace mkpe {

constexpr uint16_t kLanguage = 0x0409;  // U.S. English
constexpr uint16_t kCodePage = 0x04B0;    // 1200, Unicode
constexpr uint16_t kCodePage16 = 0x04E4;  // 1252, Western

std::vector<uint8_t> BuildVersionResource(const ImagePlan& plan);
std::vector<uint8_t> BuildVersionResource16(const ImagePlan& plan);

}  // namespace mkpe

#endif
