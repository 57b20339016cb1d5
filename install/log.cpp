/*
 * The position record and the log file. The status word is status.cpp's.
 */
#include "log.h"

#include <ctype.h>
#include <string.h>

#include "paths.h"

static const char THIS_FILE[] = ".\\install\\log.cpp";

const char *SourceFile = "";
LONG SourceLine = 0;

HANDLE LogHandle = INVALID_HANDLE_VALUE;
char LogPath[MAX_PATH];
BOOL LogPreExisting = FALSE;
const char *LogProgramKind = "installer";

static const char RuleLine[] = "*****************************************************************";
static const char ClosingRule[] = "*****************************************************************\r\n";
static const char *const DayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
static const char *const MonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

static void UpperCase(char *text)
{
    for (; *text; ++text) *text = (char)toupper((unsigned char)*text);
}

void FileTitle(const char *path, char *title, int size)
{
    const char *start = path;
    const char *p;
    const char *dot = NULL;
    int length;

    for (p = path; *p; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':') {
            start = p + 1;
            dot = NULL;
        } else if (*p == '.') {
            dot = p;
        }
    }
    length = (int)((dot ? dot : p) - start);
    if (length > size - 1) length = size - 1;
    memcpy(title, start, (size_t)length);
    title[length] = '\0';
}

static void FormatDate(char *date)
{
    SYSTEMTIME now;
    WORD day;
    WORD month;

    GetLocalTime(&now);
    day = now.wDayOfWeek <= 6 ? now.wDayOfWeek : 0;
    month = (now.wMonth >= 1 && now.wMonth <= 12) ? now.wMonth : 1;
    wsprintfA(date, "%s %s %02d %02d:%02d:%02d %d", DayNames[day], MonthNames[month - 1], now.wDay, now.wHour,
              now.wMinute, now.wSecond, now.wYear);
}

/* Opens LogPath for appending; `existed` tells whether the file was there. */
static BOOL OpenLogFile(BOOL *existed)
{
    LogHandle = CreateFileA(LogPath, GENERIC_WRITE, 0, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (LogHandle == INVALID_HANDLE_VALUE) return FALSE;
    *existed = GetLastError() == ERROR_ALREADY_EXISTS;
    if (SetFilePointer(LogHandle, 0, NULL, FILE_END) == 0xFFFFFFFF && GetLastError() != 0) {
        LogClose(TRUE);
        return FALSE;
    }
    return TRUE;
}

void LogOpen(const char *path)
{
    char program[MAX_PATH];
    char title[MAX_PATH];
    char temp[MAX_PATH];
    char date[64];
    size_t length;

    if (path) {
        lstrcpynA(LogPath, path, sizeof LogPath);
    } else {
        program[0] = '\0';
        GetModuleFileNameA(NULL, program, sizeof program);
        program[sizeof program - 1] = '\0';
        FileTitle(program, title, sizeof title);
        temp[0] = '\0';
        if (GetTempPathA(sizeof temp, temp) >= sizeof temp) temp[0] = '\0';
        NormalizePath(temp);
        /* Directory, backslash, name and ".LOG" must fit the path buffer. */
        length = strlen(temp) + 1 + strlen(title) + 4;
        if (length >= sizeof LogPath) return;
        wsprintfA(LogPath, "%s\\%s.LOG", temp, title);
    }
    FileTitle(LogPath, title, sizeof title);
    UpperCase(LogPath);
    UpperCase(title);

    LogClose(TRUE);

    if (!OpenLogFile(&LogPreExisting)) return;
    FormatDate(date);
    POSITION();
    LogWrite("%s", RuleLine);
    POSITION();
    LogWrite("Starting %s %s on %s", title, LogProgramKind, date);
}

void LogWrite(const char *format, ...)
{
    char message[FORMAT_BUFFER_SIZE];
    char line[FORMAT_BUFFER_SIZE];
    char tag[MAX_PATH];
    DWORD written;
    va_list args;

    if (LogHandle == INVALID_HANDLE_VALUE) return;
    va_start(args, format);
    wvsprintfA(message, format, args);
    va_end(args);
    FileTitle(SourceFile, tag, sizeof tag);
    UpperCase(tag);
    wsprintfA(line, "%8s%04ld: %s\r\n", tag, SourceLine, message);
    WriteFile(LogHandle, line, (DWORD)strlen(line), &written, NULL);
}

void LogClose(BOOL keep)
{
    char date[64];
    BOOL closed;

    if (LogHandle == INVALID_HANDLE_VALUE) return;
    FormatDate(date);
    POSITION();
    LogWrite("Closing %s log on %s", LogProgramKind, date);
    POSITION();
    LogWrite("%s", ClosingRule);
    closed = CloseHandle(LogHandle);
    LogHandle = INVALID_HANDLE_VALUE;
    if (closed && !keep && !LogPreExisting) DeleteFileA(LogPath);
}

void LogReopen(void)
{
    BOOL existed;

    if (LogHandle != INVALID_HANDLE_VALUE) return;
    if (!OpenLogFile(&existed)) return;
    POSITION();
    LogWrite("Log reopened after the reboot request");
}

void LogDiscard(void)
{
    if (LogHandle != INVALID_HANDLE_VALUE || LogPreExisting) return;
    DeleteFileA(LogPath);
}
