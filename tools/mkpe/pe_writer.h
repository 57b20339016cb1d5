// A minimal but complete PE image: DOS header and stub, PE headers, a code
// section whose entry point does nothing harmful, and a resource section
// holding the version resource (or no resource section at all).
#ifndef MKPE_PE_WRITER_H
#define MKPE_PE_WRITER_H

#include <cstdint>
#include <vector>

#include "image_plan.h"

namespace mkpe {

std::vector<uint8_t> BuildImage(const ImagePlan& plan);

// The PE checksum, as the loader checks it for drivers: 16-bit one's
// complement sum of the file with the checksum field taken as zero, plus
// the file's length.
uint32_t PeChecksum(const std::vector<uint8_t>& image, size_t checksumOffset);

}  // namespace mkpe

#endif
