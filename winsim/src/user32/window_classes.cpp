#include "user32/window_classes.h"

#include <commctrl.h>

#include "comctl32/control_progress.h"
#include "machine/faults.h"
#include "shared/text.h"
#include "user32/controls/control_button.h"
#include "user32/controls/control_combobox.h"
#include "user32/controls/control_generic.h"
#include "user32/controls/control_static.h"

namespace winsim {
namespace {

constexpr const char* kProgressClass = "msctls_progress32";

DWORD registeredCommonControls = 0;

}  // namespace

std::string RegisteredClass(const std::string& name) {
    static const char* const kPredefined[] = {"Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"};
    for (const char* predefined : kPredefined)
        if (EqualNoCase(name, predefined)) return predefined;
    if ((registeredCommonControls & ICC_PROGRESS_CLASS) && EqualNoCase(name, kProgressClass)) return kProgressClass;
    return "";
}

std::unique_ptr<WindowProcedure> MakeProcedure(const std::string& registeredClass) {
    if (registeredClass == "Button") return std::make_unique<ButtonProcedure>();
    if (registeredClass == "Static") return std::make_unique<StaticProcedure>();
    if (registeredClass == "ComboBox") return std::make_unique<ComboBoxProcedure>();
    if (registeredClass == "Edit") return std::make_unique<EditProcedure>();
    if (registeredClass == kProgressClass) return std::make_unique<ProgressProcedure>();
    return std::make_unique<PlainProcedure>();
}

void RegisterCommonControls(DWORD classes) { registeredCommonControls |= classes; }

void ForgetCommonControls() { registeredCommonControls = 0; }

}  // namespace winsim

// comctl32 registers every class it has when a program initialises it the old way.
extern "C" void WINAPI InitCommonControls(void) { winsim::RegisterCommonControls(ICC_WIN95_CLASSES); }

extern "C" BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
    if (winsim::FailsHere("InitCommonControlsEx", false)) return FALSE;
    if (!init || init->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
    winsim::RegisterCommonControls(init->dwICC);
    return TRUE;
}
