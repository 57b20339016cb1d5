// A fresh machine and a fresh window system for each test, a transcript
// file, and a dialog procedure that hands its messages to the test.
#ifndef TESTS_WINSIM_UI_FIXTURE_H
#define TESTS_WINSIM_UI_FIXTURE_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "machine_fixture.h"

// What the dialog procedure saw, in order.
struct SeenMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// The test's side of a dialog: the messages seen, and what to do with each
// (FALSE, the default handling, unless the test says otherwise).
struct DialogHandler {
    std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)> onMessage;
    std::vector<SeenMessage> seen;
    HWND dialog = nullptr;

    std::vector<SeenMessage> Seen(UINT message) const;
    // The WM_COMMAND notifications seen, as "id:code".
    std::vector<std::string> Commands() const;
};

INT_PTR CALLBACK HandlerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

class UiTest : public MachineTest {
protected:
    void SetUp() override;
    void TearDown() override;

    void Script(const std::string& text);
    std::string Transcript() const;
    // The transcript's lines that start with `prefix`.
    std::vector<std::string> TranscriptLines(const std::string& prefix) const;

    // Runs `bytes` as a modal dialog with the handler; returns DialogBoxIndirectParamA's result.
    INT_PTR RunModal(const std::vector<uint8_t>& bytes, DialogHandler& handler, LPARAM parameter = 0);
    // Makes `bytes` a modeless dialog with the handler.
    HWND CreateModeless(const std::vector<uint8_t>& bytes, DialogHandler& handler);

    std::string transcript_;
};

// The handler the dialog procedure talks to (set by RunModal and CreateModeless).
extern DialogHandler* currentHandler;

#endif
