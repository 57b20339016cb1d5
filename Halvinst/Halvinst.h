/*
 * The application: its file set, start-up checks, wizard and languages.
 */
#ifndef HALVINST_HALVINST_H
#define HALVINST_HALVINST_H

#include <windows.h>

#include "../install/upgrade.h"

BOOL ChooseStartupLanguage(void);
BOOL StartupChecks(void);
struct FileSet *GetFileSet(void);
BOOL RunWizard(void);

#endif
