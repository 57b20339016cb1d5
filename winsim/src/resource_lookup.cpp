// The program's module carries no resources on the host until the resource
// calls are in place.
#include "resource_lookup.h"

namespace winsim {

bool FindModuleResource(HINSTANCE, WORD, LPCSTR, ResourceBytes&) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return false;
}

}  // namespace winsim
