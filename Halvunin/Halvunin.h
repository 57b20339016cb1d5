/*
 * The uninstaller: its entry point, its questions and messages.
 */
#ifndef HALVUNIN_HALVUNIN_H
#define HALVUNIN_HALVUNIN_H

#include <windows.h>

/* The uninstaller's strings, a block of their own in every string table. */
#define IDS_UNINSTALL_TITLE 32
#define IDS_UNINSTALL_QUESTION 33
#define IDS_UNINSTALL_DONE 34
#define IDS_UNINSTALL_RESTART 35
#define IDS_UNINSTALL_NOTHING 36
#define IDS_UNINSTALL_ERROR 37

/* Picks the language the installer's wizard stored under the product key
 * when this Windows offers it, else the installer's start-up choice. */
void ChooseUninstallLanguage(void);

#endif
