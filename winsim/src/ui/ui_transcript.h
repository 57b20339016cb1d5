// The UI transcript: what the program's windows showed and what the user
// did, one event a line, appended to the file named by WINSIM_UI_TRANSCRIPT
// (or by a host program). Texts are UTF-8 in quotes, with backslash escapes
// for line breaks, tabs, quotes and backslashes. The lines:
//
//   dialog NAME shown                   a modal dialog starts taking input
//   screen NAME "CAPTION" X,Y WxH ...   the dialog as the user sees it, followed
//     ID KIND STATE... "TEXT" ...       by one indented line per control
//   input LINE: ACTION [(ignored: WHY)] a script action given to the program
//   input terminal: ACTION              a key from the terminal
//   progress ID POSITION                a progress bar moved
//   messagebox "CAPTION" 0xFLAGS "TEXT" a message box appeared
//   answer LINE: ANSWER                 and was answered
//   dialog NAME ended RESULT            EndDialog ended the modal loop
//   error WHAT                          the script or the dialog could not go on
//   unused LINE: ACTION                 script lines left when the process ends
#ifndef WINSIM_UI_TRANSCRIPT_H
#define WINSIM_UI_TRANSCRIPT_H

#include <windows.h>

#include <string>

namespace winsim {

void TranscriptLine(const std::string& line);
// Writes the dialog's screen when it differs from the last one written for
// it (a moved progress bar alone does not count: it has its own lines).
void TranscriptScreen(HWND dialog);
// The transcript file ("" for none); replaces WINSIM_UI_TRANSCRIPT.
void SetTranscriptPath(const std::string& path);
void ForgetTranscriptScreens();

// A window text as the transcript quotes it: converted to UTF-8, escaped, in quotes.
std::string QuoteText(const std::string& ansi);

}  // namespace winsim

#endif
