/*
 * The position record and the log file.
 */
#ifndef HALVINST_LOG_H
#define HALVINST_LOG_H

#include <windows.h>

/* Position record: the source file and line of the step under way. */
extern const char *SourceFile;
extern LONG SourceLine;

/* A pointer store and an integer store: cheap enough to precede every step. */
inline void SetSourcePosition(const char *file, LONG line)
{
    SourceFile = file;
    SourceLine = line;
}

/* Each source file defines THIS_FILE as its path the way the build names it. */
#define POSITION() SetSourcePosition(THIS_FILE, __LINE__)

/* wsprintfA cuts its output after 1024 characters and then writes the NUL,
 * so a buffer it may fill holds 1025 bytes. */
#define FORMAT_BUFFER_SIZE (1024 + 1)
/* The file-name part of a path, without directory and extension. */
void FileTitle(const char *path, char *title, int size);

/* Log file. */
extern HANDLE LogHandle;
extern char LogPath[MAX_PATH];
extern BOOL LogPreExisting;
/* What the banners call the program: "installer" unless the program is
 * another one of the product (the uninstaller sets "uninstaller"). */
extern const char *LogProgramKind;

void LogOpen(const char *path);
void LogWrite(const char *format, ...);
void LogClose(BOOL keep);
/* A log closed with its file kept (before a restart on the Windows 95
 * family) is opened again for appending, without a new start banner. */
void LogReopen(void);
/* Deletes the file of a closed, kept log unless it existed before the run. */
void LogDiscard(void);

#endif
