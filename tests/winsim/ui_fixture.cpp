#include "ui_fixture.h"

#include <commctrl.h>

#include <sstream>

#include "winsim/machine.h"
#include "winsim/module_resources.h"
#include "winsim/ui.h"

extern "C" const WinsimResourceTable halvinstResources;

DialogHandler* currentHandler = nullptr;

std::vector<SeenMessage> DialogHandler::Seen(UINT message) const {
    std::vector<SeenMessage> out;
    for (const SeenMessage& m : seen)
        if (m.message == message) out.push_back(m);
    return out;
}

std::vector<std::string> DialogHandler::Commands() const {
    std::vector<std::string> out;
    for (const SeenMessage& m : Seen(WM_COMMAND))
        out.push_back(std::to_string(LOWORD(m.wParam)) + ":" + std::to_string(HIWORD(m.wParam)));
    return out;
}

INT_PTR CALLBACK HandlerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogHandler* handler = currentHandler;
    if (!handler) return FALSE;
    handler->dialog = dialog;
    handler->seen.push_back(SeenMessage{message, wParam, lParam});
    return handler->onMessage ? handler->onMessage(dialog, message, wParam, lParam) : FALSE;
}

void UiTest::SetUp() {
    MachineTest::SetUp();
    winsim::ResetWindowSystem();
    transcript_ = dir_ + "/transcript.txt";
    winsim::SetUiTranscript(transcript_);
    winsim::SetModuleResources(&halvinstResources);
    InitCommonControls();
}

void UiTest::TearDown() {
    currentHandler = nullptr;
    winsim::ResetWindowSystem();
    winsim::SetUiTranscript("");
    MachineTest::TearDown();
}

void UiTest::Script(const std::string& text) {
    std::string error;
    ASSERT_TRUE(winsim::SetUiScript(text, error)) << error;
}

std::string UiTest::Transcript() const { return ReadHostFile(transcript_); }

std::vector<std::string> UiTest::TranscriptLines(const std::string& prefix) const {
    std::vector<std::string> out;
    std::istringstream in(Transcript());
    for (std::string line; std::getline(in, line);)
        if (line.rfind(prefix, 0) == 0) out.push_back(line);
    return out;
}

INT_PTR UiTest::RunModal(const std::vector<uint8_t>& bytes, DialogHandler& handler, LPARAM parameter) {
    currentHandler = &handler;
    INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(bytes.data()), nullptr,
                                             HandlerDialogProc, parameter);
    currentHandler = nullptr;
    return result;
}

HWND UiTest::CreateModeless(const std::vector<uint8_t>& bytes, DialogHandler& handler) {
    currentHandler = &handler;
    return CreateDialogIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(bytes.data()), nullptr,
                                      HandlerDialogProc, 0);
}
