/*
 * Status word, position record and log file.
 */
#include "log.h"

#include <ctype.h>
#include <string.h>

#include "install.h"
#include "registry.h"

static const char THIS_FILE[] = ".\\install\\log.cpp";

const char *SourceFile = "";
LONG SourceLine = 0;

DWORD StatusWord = 0;
DWORD StatusQualifier = 0;

HANDLE LogHandle = INVALID_HANDLE_VALUE;
char LogPath[MAX_PATH];
BOOL LogPreExisting = FALSE;
const char *LogProgramKind = "installer";

/* The run control that every program's entry point shares (program.cpp)
 * is part of the entry point: its status words carry the entry point's
 * number, as they did before the uninstaller shared it. */
static const struct {
    const char *name;
    DWORD number;
} ModuleTable[] = {
    {"install", 1}, {"upgrade", 2}, {"registry", 3}, {"winmain", 4},
    {"program", 4}, {"log", 5},     {"journal", 6},  {"", 0},
};

static const char RuleLine[] = "*****************************************************************";
static const char ClosingRule[] = "*****************************************************************\r\n";
static const char *const DayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
static const char *const MonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

static void UpperCase(char *text)
{
    for (; *text; ++text) *text = (char)toupper((unsigned char)*text);
}

static void LowerCase(char *text)
{
    for (; *text; ++text) *text = (char)tolower((unsigned char)*text);
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

DWORD ModuleNumber(const char *sourcePath)
{
    char title[MAX_PATH];
    int i;

    FileTitle(sourcePath, title, sizeof title);
    for (i = 0; ModuleTable[i].name[0]; ++i) {
        if (lstrcmpiA(title, ModuleTable[i].name) == 0) return ModuleTable[i].number;
    }
    return 0;
}

BOOL StatusIsError(void)
{
    return (LONG)StatusWord < 0;
}

/* Leaves the pair in the registry for whoever started the installer. */
static void WriteCompletionRecord(void)
{
    char program[MAX_PATH];
    char name[MAX_PATH];
    LONG error = 0;
    HKEY talven;
    HKEY completion;
    HKEY record;

    program[0] = '\0';
    GetModuleFileNameA(NULL, program, sizeof program);
    program[sizeof program - 1] = '\0';
    FileTitle(program, name, sizeof name);
    LowerCase(name);

    talven = OpenStatusKey("SOFTWARE\\Talven", HKEY_LOCAL_MACHINE, FALSE, &error);
    completion = OpenStatusKey("UpgWizCompletion", talven, TRUE, &error);
    record = OpenStatusKey(name, completion, TRUE, &error);
    if (error != 0) return;
    RegSetValueExA(record, "Status", 0, REG_DWORD, (const BYTE *)&StatusWord, sizeof StatusWord);
    RegSetValueExA(record, "Qualifier", 0, REG_DWORD, (const BYTE *)&StatusQualifier, sizeof StatusQualifier);
    RegCloseKey(record);
}

void RecordStatus(DWORD code, DWORD qualifier)
{
    DWORD module = ModuleNumber(SourceFile);

    if (StatusIsError()) return;
    StatusWord = (code << 20) | (module << 16) | ((DWORD)SourceLine & 0xFFFF);
    StatusQualifier = qualifier;
    LogWrite("Status 0x%08lX Qualifier 0x%08lX", StatusWord, StatusQualifier);
    if (!RunFlags.leaveStatus) return;
    WriteCompletionRecord();
}

DWORD ErrorMessageId(DWORD status, DWORD qualifier)
{
    DWORD code = STATUS_CODE(status);

    if (code == 2069) {
        /* Codec result codes, compared as unsigned 32-bit numbers. */
        if (qualifier == (DWORD)-7) return 2088;
        if (qualifier == (DWORD)-3) return 2054;
        if (qualifier == (DWORD)-15 || qualifier == 49) return 2073;
        if (qualifier == (DWORD)-31 || qualifier == (DWORD)-33) return 2080;
        return 2069;
    }
    if (code == 2050 || code == 2053 || code == 2054) return code;
    if (code >= 2064 && code <= 2068) return code;
    if (code >= 2070 && code <= 2087) return code;
    return 2050;
}

int FormatErrorCode(LPSTR out, LPCSTR format, LPCSTR message, DWORD status, DWORD qualifier)
{
    return wsprintfA(out, format, message, STATUS_CODE(status), STATUS_MODULE(status), STATUS_LINE(status),
                     qualifier);
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
