// Composing a letter and a combining mark into one character.
#ifndef WINSIM_COMPOSITION_H
#define WINSIM_COMPOSITION_H

namespace winsim {

// The precomposed character for `base` followed by the combining `mark`, or
// 0 when there is none.
char16_t Precomposed(char16_t base, char16_t mark);

}  // namespace winsim

#endif
