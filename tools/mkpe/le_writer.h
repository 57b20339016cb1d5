// A minimal but complete Windows 9x VxD: an MZ stub whose e_lfanew points at
// an LE header with the VxD extension; one object holding the device
// descriptor block (DDB) and its control procedure, with the one fixup the
// DDB needs; the resident names (module name and NAME_DDB, ordinal 1), the
// entry table exporting the DDB as ordinal 1; the description in the
// non-resident names; and the version resource where Windows 9x looks for
// it (e32_winresoff/e32_winreslen), as a 16-bit resource entry holding a
// 16-bit VS_VERSION_INFO, the way the DDK's resource step appends it.
//
// The control procedure answers every system control message with carry
// set, so the stand-in refuses to load and can never stay in a running system.
#ifndef MKPE_LE_WRITER_H
#define MKPE_LE_WRITER_H

#include <cstdint>
#include <string>
#include <vector>

#include "image_plan.h"

namespace mkpe {

std::vector<uint8_t> BuildLeImage(const ImagePlan& plan);

// The eight-character device name the DDB carries: the file's base name,
// upper case, padded with spaces.
std::string DeviceName(const std::string& fileName);

}  // namespace mkpe

#endif
