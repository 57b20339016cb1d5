// The icons a window class carries (SetClassLongPtrA with GCLP_HICON).
#ifndef WINSIM_CLASS_ICONS_H
#define WINSIM_CLASS_ICONS_H

#include <windows.h>

#include <string>

namespace winsim {

// ICON_BIG or ICON_SMALL of the class, or nullptr.
HICON ClassIcon(const std::string& className, int which);
void ForgetClassIcons();

}  // namespace winsim

#endif
