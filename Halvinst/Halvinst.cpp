/*
 * The application: its file set, start-up checks, wizard and languages.
 */
#include "Halvinst.h"

#include "../install/install.h"
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

/* The carried files, in table order; the index names an entry everywhere. */
static struct FileEntry FileTable[] = {
    {"halvinst.inf", "halvinst.inf", "", "halvinst", DIR_TEMP, FE_REGISTRY_SCRIPT | FE_WIN9X | FE_NT4 | FE_W2K, 0},
    {"halvunin.exe", "halvunin.exe", "", "halvunin", DIR_SYSTEM32,
     FE_NO_VERSION | FE_NO_BACKUP | FE_WIN9X | FE_NT4 | FE_W2K, 3},
    {"Halvik.vxd", "Halvik.vxd", "", "Halvik", DIR_DRIVERS, FE_REPLACE_NOW | FE_NEEDS_RESTART | FE_WIN9X, 1},
    {"Halvik.sys", "Halvik.sys", "", "Halvik", DIR_DRIVERS, FE_REPLACE_NOW | FE_NEEDS_RESTART | FE_NT4, 1},
    {"Halvik2k.sys", "Halvik.sys", "", "Halvik", DIR_DRIVERS, FE_REPLACE_NOW | FE_NEEDS_RESTART | FE_W2K, 1},
};

#define FILE_COUNT (sizeof FileTable / sizeof FileTable[0])

static struct FileState FileStates[FILE_COUNT];
static char ArchivePath[MAX_PATH];
static struct FileSet TheFileSet;

/* Stand-in until the wizard lands: keeps the thread's message queue drained
 * while the installation runs. */
void ReportProgress(struct ProgressRecord *record)
{
    MSG message;

    (void)record;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

struct FileSet *GetFileSet(void)
{
    POSITION();
    if (!TheFileSet.entries) {
        GetModuleFileNameA(NULL, ArchivePath, sizeof ArchivePath);
        ArchivePath[sizeof ArchivePath - 1] = '\0';
        TheFileSet.archivePath = ArchivePath;
        TheFileSet.installed = 0;
        TheFileSet.count = FILE_COUNT;
        TheFileSet.entries = FileTable;
        TheFileSet.states = FileStates;
        TheFileSet.progress = ReportProgress;
    }
    return &TheFileSet;
}

/* Stand-in until the wizard lands. */
BOOL RunWizard(void)
{
    POSITION();
    return TRUE;
}
