// The entry points that make dialog boxes: from the module's RT_DIALOG
// resource or from a template in memory, modal or modeless.
#include <cstdint>

#include "kernel32/resource_lookup.h"
#include "machine/faults.h"
#include "ui/ui_input.h"
#include "user32/dialogs/dialog_create.h"
#include "user32/dialogs/dialog_template.h"
#include "user32/dialogs/modal_dialogs.h"

namespace {

constexpr WORD kRtDialog = 5;

HWND Create(const void* bytes, size_t size, const winsim::DialogRequest& request, const char* api) {
    winsim::DialogTemplate t;
    std::string error;
    if (!winsim::ParseDialogTemplate(bytes, size, t, error)) {
        winsim::ReportUiProblem(std::string(api) + ": dialog template " + request.name + ": " + error);
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    HWND dialog = winsim::CreateDialogWindow(t, request, error);
    if (!dialog) winsim::ReportUiProblem(std::string(api) + ": dialog " + request.name + ": " + error);
    return dialog;
}

HWND CreateFromResource(HINSTANCE instance, LPCSTR name, winsim::DialogRequest request, const char* api) {
    winsim::ResourceBytes r;
    request.name = winsim::ResourceNameText(name);
    if (!name || !winsim::FindModuleResource(instance, kRtDialog, name, r)) {
        DWORD code = GetLastError();
        winsim::ReportUiProblem(std::string(api) + ": the module has no dialog template " + request.name);
        SetLastError(code ? code : ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return Create(r.data, r.size, request, api);
}

winsim::DialogRequest Request(HINSTANCE instance, HWND owner, DLGPROC procedure, LPARAM parameter, bool modal) {
    winsim::DialogRequest r;
    r.instance = instance;
    r.owner = owner;
    r.procedure = procedure;
    r.parameter = parameter;
    r.modal = modal;
    r.name = "(in memory)";
    return r;
}

}  // namespace

extern "C" INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC procedure,
                                          LPARAM parameter) {
    if (winsim::FailsHere("DialogBoxParamA", false)) return -1;
    HWND dialog = CreateFromResource(instance, name, Request(instance, owner, procedure, parameter, true),
                                     "DialogBoxParamA");
    return dialog ? winsim::RunModalDialog(dialog) : -1;
}

// A template in memory carries no length: only its fields say where it ends.
extern "C" INT_PTR WINAPI DialogBoxIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA bytes, HWND owner,
                                                  DLGPROC procedure, LPARAM parameter) {
    if (winsim::FailsHere("DialogBoxIndirectParamA", false)) return -1;
    HWND dialog = Create(bytes, SIZE_MAX, Request(instance, owner, procedure, parameter, true),
                         "DialogBoxIndirectParamA");
    return dialog ? winsim::RunModalDialog(dialog) : -1;
}

extern "C" HWND WINAPI CreateDialogParamA(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC procedure,
                                          LPARAM parameter) {
    if (winsim::FailsHere("CreateDialogParamA", false)) return nullptr;
    return CreateFromResource(instance, name, Request(instance, owner, procedure, parameter, false),
                              "CreateDialogParamA");
}

extern "C" HWND WINAPI CreateDialogIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA bytes, HWND owner,
                                                  DLGPROC procedure, LPARAM parameter) {
    if (winsim::FailsHere("CreateDialogIndirectParamA", false)) return nullptr;
    return Create(bytes, SIZE_MAX, Request(instance, owner, procedure, parameter, false),
                  "CreateDialogIndirectParamA");
}
