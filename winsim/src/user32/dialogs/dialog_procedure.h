// The dialog box class (#32770): the program's dialog procedure first, then
// what DefDlgProc does with the messages it leaves.
#ifndef WINSIM_DIALOG_PROCEDURE_H
#define WINSIM_DIALOG_PROCEDURE_H

#include <string>

#include "user32/window_object.h"

namespace winsim {

class DialogProcedure : public WindowProcedure {
public:
    LRESULT Handle(Window& window, UINT message, WPARAM wParam, LPARAM lParam) override;
    // DefDlgProc's own part, without the program's procedure.
    LRESULT HandleByDefault(Window& window, UINT message, WPARAM wParam, LPARAM lParam);

    DLGPROC dialogProc = nullptr;
    LONG_PTR messageResult = 0;  // DWLP_MSGRESULT
    LONG_PTR user = 0;           // DWLP_USER
    std::string name;            // the template's resource name, for the transcript
    HFONT templateFont = nullptr;  // made from the template, deleted with the dialog
    int baseX = 8, baseY = 16;     // dialog base units in pixels
    int defaultId = 0;             // set by DM_SETDEFID; 0 looks for a default push button
    bool modal = false;
    bool ended = false;
    INT_PTR result = 0;
};

// The dialog procedure of a dialog window, or nullptr for any other window.
DialogProcedure* DialogOf(HWND window);

// DM_GETDEFID's answer: the default push button's id, or 0 when there is none.
int DefaultButtonId(HWND dialog);

}  // namespace winsim

#endif
