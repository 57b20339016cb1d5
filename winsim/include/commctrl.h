/* The common controls (comctl32). */
#ifndef WINSIM_COMMCTRL_H
#define WINSIM_COMMCTRL_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

void WINAPI InitCommonControls(void);

#ifdef __cplusplus
}
#endif

#endif
