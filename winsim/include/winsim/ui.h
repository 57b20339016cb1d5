// The host-side controls of winsim's window system, for tests and tools:
// the UI script, the transcript, the terminal, and a look at what a program
// left behind. A program run by `winsim run` gets the same settings from its
// environment: WINSIM_UI_SCRIPT (a script file), WINSIM_UI_INPUT (the script
// itself), WINSIM_UI_TRANSCRIPT (the transcript file), WINSIM_UI=terminal.
#ifndef WINSIM_UI_H
#define WINSIM_UI_H

#include <cstddef>
#include <string>
#include <vector>

namespace winsim {

// Replaces the UI script. False with `error` naming the bad line.
bool SetUiScript(const std::string& text, std::string& error);
// Script lines not played yet.
size_t UnusedUiScriptLines();
// The transcript file ("" for none).
void SetUiTranscript(const std::string& path);
// Whether a terminal gives input once the script has run out.
void SetUiTerminal(bool enabled);

// Forgets every window, queued message, focus, GDI object, shared image,
// registered common control, class icon and the script: the window system
// of a process that has just started.
void ResetWindowSystem();
size_t LiveWindows();
// Fonts, bitmaps and icons the program made and has not deleted.
size_t LiveGdiObjects();

// The processes started on the attached machine (CreateProcessA), one line
// each: the command line, then tab-separated details.
std::vector<std::string> StartedProcesses();

}  // namespace winsim

#endif
