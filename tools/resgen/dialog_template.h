#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dialog.h"

namespace resgen {

// The RT_DIALOG resource: a DLGTEMPLATE with its items, as DialogBoxParam reads it.
std::vector<std::uint8_t> EncodeDialogTemplate(const Dialog& dialog);

// A registered class name as the template stores it. The resource compiler stores class
// names in upper case, and window classes are found without regard to case, so the host
// build does the same to keep both builds' bytes identical.
std::u16string StoredClassName(const std::string& className);

} // namespace resgen
