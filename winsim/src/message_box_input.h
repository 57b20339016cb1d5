// Answers for message boxes, for MessageBoxA: each box shown is written to
// the UI transcript, and its answer is the UI script's next line, which must
// be "answer ...", or the button the person at the terminal chooses.
#ifndef WINSIM_MESSAGE_BOX_INPUT_H
#define WINSIM_MESSAGE_BOX_INPUT_H

#include <windows.h>

#include <vector>

namespace winsim {

// The answer (IDOK, IDYES ...) for a box with these texts and MB_ flags.
// False when nothing can answer it: the script ran out or its next line is
// not an answer, or the answer is not one of the box's buttons (the reason
// is on stderr and in the transcript). A null caption reads "Error", as
// MessageBoxA shows it.
bool NextMessageBoxAnswer(HWND owner, LPCSTR text, LPCSTR caption, UINT type, int& answer);

// The answers a box of these flags can give, in the order of its buttons.
std::vector<int> MessageBoxButtons(UINT type);

}  // namespace winsim

#endif
