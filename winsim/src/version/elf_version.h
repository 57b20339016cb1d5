// The version resource of a host (ELF) program, see elf_version.cpp.
#ifndef WINSIM_ELF_VERSION_H
#define WINSIM_ELF_VERSION_H

#include "version/pe_resources.h"

namespace winsim {

bool IsElfImage(const ImageBytes& image);
// Like ReadVersionResource, for a host program.
DWORD ReadElfVersion(const ImageBytes& image, std::vector<uint8_t>& resource, std::string& why);

}  // namespace winsim

#endif
