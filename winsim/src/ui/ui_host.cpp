#include "gdi32/gdi_objects.h"
#include "ui/terminal.h"
#include "ui/ui_script.h"
#include "ui/ui_transcript.h"
#include "user32/class_icons.h"
#include "user32/focus.h"
#include "user32/images.h"
#include "user32/message_queue.h"
#include "user32/window_classes.h"
#include "user32/window_object.h"
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
