// The version resource of a linear executable (a Windows 9x VxD), read
// through common/le_image: a 16-bit VS_VERSION_INFO tree.
#ifndef WINSIM_LE_VERSION_H
#define WINSIM_LE_VERSION_H

#include "version/pe_resources.h"

namespace winsim {

// An MZ file with an LE header (sound or not: the header's signature decides).
bool IsLeImage(const ImageBytes& image);

// Like ReadVersionResource, for an LE image: ERROR_RESOURCE_TYPE_NOT_FOUND
// when the VxD carries no version resource, ERROR_BAD_EXE_FORMAT when its
// header or resource is damaged.
DWORD ReadLeVersion(const ImageBytes& image, std::vector<uint8_t>& resource, std::string& why);

}  // namespace winsim

#endif
