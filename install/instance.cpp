/*
 * What every program of the product does first: reads its run flags from
 * the command line and takes the single-instance lock, which the installer
 * and the uninstaller share so that they never run at the same time.
 */
#include "instance.h"

#include <string.h>

#include "log.h"
#include "platform.h"
#include "status.h"

static const char THIS_FILE[] = ".\\install\\instance.cpp";

HINSTANCE ModuleInstance;
HANDLE InstanceMutex;

static const struct {
    const char *keyword;
    BOOL *flag;
} Keywords[] = {
    {"SILENT", &RunFlags.silent},     {"FORCE", &RunFlags.forced},     {"LEAVELOG", &RunFlags.leaveLog},
    {"LEAVESTATUS", &RunFlags.leaveStatus}, {"NOREBOOT", &RunFlags.noReboot}, {"AUTORUN", &RunFlags.autorun},
};

void ParseCommandLine(char *commandLine)
{
    char *p;
    unsigned i;

    POSITION();
    for (p = commandLine; *p; ++p) {
        if (*p >= 'a' && *p <= 'z') *p = (char)(*p - 'a' + 'A');
    }
    for (i = 0; i < sizeof Keywords / sizeof Keywords[0]; ++i) {
        *Keywords[i].flag = strstr(commandLine, Keywords[i].keyword) != NULL;
    }
}


BOOL TakeInstanceMutex(void)
{
    DWORD wait;

    POSITION();
    InstanceMutex = CreateMutexA(NULL, FALSE, INSTALLER_MUTEX_NAME);
    wait = InstanceMutex ? WaitForSingleObject(InstanceMutex, 0) : WAIT_FAILED;
    /* Only an owned mutex admits this run; an abandoned one is owned now too. */
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) return TRUE;
    if (InstanceMutex) CloseHandle(InstanceMutex);
    InstanceMutex = NULL;
    return FALSE;
}

void ReleaseInstanceMutex(void)
{
    ReleaseMutex(InstanceMutex);
    CloseHandle(InstanceMutex);
    InstanceMutex = NULL;
}

void LogException(DWORD code, const char *file, LONG line)
{
    const char *lastFile = SourceFile;
    LONG lastLine = SourceLine;

    SetSourcePosition(file, line);
    LogWrite("!!! EXCEPTION EXCEPTION EXCEPTION !!!");
    LogWrite("WinMain exception code 0x%08lX", code);
    LogWrite("Last know position in %s, line %ld", lastFile, lastLine);
}

void ReportException(DWORD code, const char *file, LONG line)
{
    LogException(code, file, line);
    RecordStatus(2050, code);
}
