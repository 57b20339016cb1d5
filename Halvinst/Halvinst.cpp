/*
 * The application: its file set, start-up checks, wizard and languages.
 */
#include "Halvinst.h"

#include "../install/log.h"

static const char THIS_FILE[] = ".\\Halvinst\\Halvinst.cpp";

/* Stand-in until the languages land. */
BOOL ChooseStartupLanguage(void)
{
    POSITION();
    return TRUE;
}

/* Stand-in until the start-up checks land: every run may go on. */
BOOL StartupChecks(void)
{
    POSITION();
    return TRUE;
}

/* Stand-in until the file set lands: no files. */
struct FileSet *GetFileSet(void)
{
    POSITION();
    return NULL;
}

/* Stand-in until the wizard lands. */
BOOL RunWizard(void)
{
    POSITION();
    return TRUE;
}
