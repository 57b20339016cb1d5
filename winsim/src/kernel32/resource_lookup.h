// Finding a resource of the program's module the way FindResourceA does,
// for the calls that load resources themselves (dialog boxes, bitmaps, icons).
#ifndef WINSIM_RESOURCE_LOOKUP_H
#define WINSIM_RESOURCE_LOOKUP_H

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace winsim {

struct ResourceBytes {
    const uint8_t* data = nullptr;
    size_t size = 0;
};

// A resource name or type as a number: an ordinal, or a string "#149".
// False for any other name.
bool ResourceOrdinal(LPCSTR name, WORD& ordinal);

// "149" for an ordinal, the name itself otherwise: for messages.
std::string ResourceNameText(LPCSTR name);

// Looks up the resource of that type and name. False with the last error set
// (ERROR_RESOURCE_TYPE_NOT_FOUND, ERROR_RESOURCE_NAME_NOT_FOUND) when there is none.
bool FindModuleResource(HINSTANCE module, WORD type, LPCSTR name, ResourceBytes& out);

}  // namespace winsim

#endif
