// Answers for message boxes, for MessageBoxA: each box shown is written to
// the UI transcript with its buttons, and its answer is the UI script's next
// line, which must be "answer ..." or a key the box takes, or the button the
// person at the terminal chooses. A box
// with only an OK button needs no answer line: without one it is answered
// OK by itself (at the terminal, once the script is over, the person does).
#ifndef WINSIM_MESSAGE_BOX_INPUT_H
#define WINSIM_MESSAGE_BOX_INPUT_H

#include <windows.h>

#include <vector>

#include "ui/ui_script.h"

namespace winsim {

// The answer (IDOK, IDYES ...) for a box with these texts and MB_ flags.
// False when nothing can answer it: the script ran out or its next line is
// not an answer, or the answer is not one of the box's buttons (the reason
// is on stderr and in the transcript). A null caption reads "Error", as
// MessageBoxA shows it.
bool NextMessageBoxAnswer(HWND owner, LPCSTR text, LPCSTR caption, UINT type, int& answer);

// The answers a box of these flags can give, in the order of its buttons.
std::vector<int> MessageBoxButtons(UINT type);

// The index of the button a new box focuses: the one MB_DEFBUTTONn names.
int MessageBoxDefaultButton(UINT type, const std::vector<int>& buttons);

// What a key does to a box with these buttons, the one at `focused` having
// the focus: Enter and Space press that one, Esc is Cancel (or OK when that
// is the only button), a letter (with Alt or without) is the button whose
// mnemonic it is. 0 when the key answers nothing.
int MessageBoxKeyAnswer(const UiAction& key, const std::vector<int>& buttons, int focused);

}  // namespace winsim

#endif
