/*
 * The status word and the completion record that leaves it in the registry.
 */
#include "status.h"

#include <ctype.h>

#include "completion/registry.h"
#include "log.h"
#include "platform.h"

DWORD StatusWord = 0;
DWORD StatusQualifier = 0;

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

static void LowerCase(char *text)
{
    for (; *text; ++text) *text = (char)tolower((unsigned char)*text);
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
