/*
 * What every program of the product does first: its run flags from the
 * command line and the single-instance lock; and the crash report of a
 * guarded run.
 */
#ifndef HALVINST_INSTANCE_H
#define HALVINST_INSTANCE_H

#include <windows.h>

#define INSTALLER_MUTEX_NAME "VaDiDe32 UPGRADE VaDiDe32"

extern HINSTANCE ModuleInstance;
extern HANDLE InstanceMutex;

/* Sets the six run flags from the command tail, which is upper-cased in place. */
void ParseCommandLine(char *commandLine);
/* Creates and takes the named mutex; FALSE when another installer or
 * uninstaller holds it or it cannot be created. */
BOOL TakeInstanceMutex(void);
void ReleaseInstanceMutex(void);
/* The crash report of a guarded run, written at the entry point's position
 * `file` and `line`: the three lines; ReportException then records status
 * 2050 with the code. */
void LogException(DWORD code, const char *file, LONG line);
void ReportException(DWORD code, const char *file, LONG line);

#endif
