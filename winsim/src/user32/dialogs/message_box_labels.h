// The buttons of a message box as a Windows of the machine's language labels
// them, with '&' before the mnemonic ("&Ja", "はい(&Y)"): OK and Cancel have
// none, as on Windows, where Enter and Esc stand for them.
#ifndef WINSIM_MESSAGE_BOX_LABELS_H
#define WINSIM_MESSAGE_BOX_LABELS_H

#include <string>

namespace winsim {

// The label (UTF-8) of the button that gives `answer` (IDOK, IDYES ...), in
// the language of the machine's user; US English for languages without a
// table here.
std::string MessageBoxButtonLabel(int answer);

// The mnemonic of a label, upper case ('J' for "&Ja"); 0 when it has none.
char LabelMnemonic(const std::string& label);

// The label as shown: without the '&'.
std::string LabelWithoutMnemonic(const std::string& label);

}  // namespace winsim

#endif
