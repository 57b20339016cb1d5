// What the window checks share: the controls of the dialog they work on and
// their lines, whose names all start with "window " so that compare.sh can
// leave the group out where no display is available.
#ifndef CONFORMANCE_WINDOW_CHECKS_H
#define CONFORMANCE_WINDOW_CHECKS_H

#include <string>

#include "check.h"

namespace conformance {

// The ids of the dialog's controls, and one no control has.
enum : WORD { kStatic = 100, kCheck = 101, kEdit = 102, kCombo = 103, kProgress = 104, kMissing = 999 };

// Report() and ReportCall() for a window check.
void W(const std::string& name, const std::string& observed);
void WCall(const std::string& name, long long ret, const std::string& more = "");
// A window's text (up to 63 characters).
std::string Text(HWND window);

// The controls' own messages, each on the dialog's control of that kind.
void CheckButtons(HWND dialog);
void CheckComboBox(HWND dialog);
void CheckProgressBar(HWND dialog);
void CheckControlFonts(HWND dialog);

}  // namespace conformance

#endif
