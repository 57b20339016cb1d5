#include "class_icons.h"
#include "focus.h"
#include "gdi_objects.h"
#include "images.h"
#include "message_queue.h"
#include "terminal.h"
#include "ui_script.h"
#include "ui_transcript.h"
#include "window_classes.h"
#include "window_object.h"
#include "winsim/ui.h"

namespace winsim {

bool SetUiScript(const std::string& text, std::string& error) {
    std::vector<UiAction> actions;
    if (!ParseUiScript(text, actions, error)) return false;
    SetScript(std::move(actions));
    return true;
}

size_t UnusedUiScriptLines() { return ScriptActionsLeft(); }

void SetUiTranscript(const std::string& path) { SetTranscriptPath(path); }

void SetUiTerminal(bool enabled) { SetTerminalEnabled(enabled); }

void ResetWindowSystem() {
    ForgetAllWindows();
    ClearQueue();
    DropFocus();
    ForgetGdiObjects();
    ForgetStockObjects();
    ForgetSharedImages();
    ForgetCommonControls();
    ForgetClassIcons();
    ForgetScript();
    ForgetTranscriptScreens();
}

size_t LiveWindows() { return LiveWindowCount(); }

size_t LiveGdiObjects() { return LiveGdiObjectCount(); }

}  // namespace winsim
