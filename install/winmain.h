/*
 * The entry point and the install sequence.
 */
#ifndef HALVINST_WINMAIN_H
#define HALVINST_WINMAIN_H

#include <windows.h>

#include "upgrade.h"

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
BOOL InstallSequence(struct FileSet *set);
BOOL AnyUpgradeWanted(struct FileSet *set);
void InsertLowerFilter(void);
void ClearCachedVolumeInfo(void);
BOOL DeleteKeyTree(HKEY root, const char *path);
/* Commits the run's undo journal, or plays it back when the run failed. */
void FinishChanges(void);

#endif
