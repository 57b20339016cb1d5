/*
 * Status word, position record and log file.
 *
 * The status word packs the status code (bits 31-20), the module number of
 * the position where it was recorded (bits 19-16) and that position's line
 * (bits 15-0). The first error recorded stays; progress codes 0 to 3 replace
 * one another until then.
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

extern DWORD StatusWord;
extern DWORD StatusQualifier;

#define STATUS_CODE(word) ((DWORD)(word) >> 20)
#define STATUS_MODULE(word) (((DWORD)(word) >> 16) & 0xF)
#define STATUS_LINE(word) ((DWORD)(word) & 0xFFFF)

void RecordStatus(DWORD code, DWORD qualifier);
BOOL StatusIsError(void);
DWORD ErrorMessageId(DWORD status, DWORD qualifier);
/* wsprintfA cuts its output after 1024 characters and then writes the NUL,
 * so a buffer it may fill holds 1025 bytes. */
#define FORMAT_BUFFER_SIZE (1024 + 1)
/* Fills `format` (string 13 of a language) with the message and the four
 * fields of the error code; `out` holds FORMAT_BUFFER_SIZE bytes. */
int FormatErrorCode(LPSTR out, LPCSTR format, LPCSTR message, DWORD status, DWORD qualifier);
/* The module number of a source path ("install" 1 ... "journal" 6, others 0). */
DWORD ModuleNumber(const char *sourcePath);
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
