// Making a dialog window and its controls from a parsed template, as
// CreateDialogIndirectParamA does, up to and including WM_INITDIALOG.
#ifndef WINSIM_DIALOG_CREATE_H
#define WINSIM_DIALOG_CREATE_H

#include <string>

#include "user32/dialogs/dialog_template.h"

namespace winsim {

struct DialogRequest {
    HINSTANCE instance = nullptr;
    HWND owner = nullptr;
    DLGPROC procedure = nullptr;
    LPARAM parameter = 0;
    std::string name;  // the template's resource name, for the transcript
    bool modal = false;
};

// The dialog base units of a template font of that size, in pixels: the
// average character width and the character height. MS Sans Serif at 8
// points gives 6 and 13, as on Windows at 96 dots per inch.
POINT FontBaseUnits(int pointSize);

// nullptr with the last error set and `error` saying why when a class is not
// registered (the dialog's own or a control's).
HWND CreateDialogWindow(const DialogTemplate& dialog, const DialogRequest& request, std::string& error);

}  // namespace winsim

#endif
