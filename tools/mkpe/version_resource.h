// The VS_VERSIONINFO resource of a stand-in image: the fixed part, one
// StringFileInfo table for U.S. English in Unicode (040904B0) and the
// matching VarFileInfo translation.
#ifndef MKPE_VERSION_RESOURCE_H
#define MKPE_VERSION_RESOURCE_H

#include <cstdint>
#include <vector>

#include "image_plan.h"

namespace mkpe {

constexpr uint16_t kLanguage = 0x0409;  // U.S. English
constexpr uint16_t kCodePage = 0x04B0;  // 1200, Unicode

std::vector<uint8_t> BuildVersionResource(const ImagePlan& plan);

}  // namespace mkpe

#endif
