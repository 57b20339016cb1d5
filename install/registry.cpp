/*
 * Registry: the completion record's keys and the registry update script.
 *
 * The script is read line by line and each line is applied at once: section
 * headers choose the root key, the platforms and whether existing values are
 * kept; key lines create and open a key; value lines set a value. The first
 * failure stops the pass.
 */
#include "registry.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#include "install.h"
#include "journal.h"
#include "log.h"
#include "status.h"

static const char THIS_FILE[] = ".\\install\\registry.cpp";

#define SECTION_OPTIONAL 0x01
#define SECTION_WIN95 0x10
#define SECTION_NT 0x20

static const struct {
    const char *header;
    HKEY root;
    DWORD mask;
    DWORD bits;
} SectionHeaders[] = {
    {"[REQUIRED]", NULL, 0xFFFFFFF0, 0x0},
    {"[OPTIONAL]", NULL, 0xFFFFFFF0, 0x1},
    {"[WINDOWS_95]", NULL, 0xFFFFFF0F, 0x10},
    {"[WINDOWS_NT]", NULL, 0xFFFFFF0F, 0x20},
    {"[WINDOWS_95NT]", NULL, 0xFFFFFF0F, 0x30},
    {"[HKEY_LOCAL_MACHINE]", HKEY_LOCAL_MACHINE, 0xFFFFFFFF, 0},
    {"[HKEY_CURRENT_USER]", HKEY_CURRENT_USER, 0xFFFFFFFF, 0},
    {"[HKEY_CLASSES_ROOT]", HKEY_CLASSES_ROOT, 0xFFFFFFFF, 0},
};

/* Directory macros, in the order they are expanded. */
static const struct {
    const char *token;
    DWORD directory;
} Macros[] = {
    {"%%TARGETDIR%%", DIR_TARGET},     {"%%WINDIR%%", DIR_WINDOWS},      {"%%WINSYS16DIR%%", DIR_SYSTEM16},
    {"%%WINSYSDIR%%", DIR_SYSTEM32},   {"%%WINDRIVERDIR%%", DIR_DRIVERS},
};

/* State of one pass over one script. */
struct ScriptPass {
    HKEY root;
    BOOL rootChosen;
    DWORD flags;
    HKEY openKey;
    char openPath[SCRIPT_LINE_LIMIT + 1]; /* the open key's path, for the undo journal */
    LONG line;
};

static BOOL IsWhite(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

static void UpperCase(char *text)
{
    for (; *text; ++text) *text = (char)toupper((unsigned char)*text);
}

static const char *SkipBlanks(const char *p)
{
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

static void TrimBlanks(char *text)
{
    size_t length = strlen(text);

    while (length && (text[length - 1] == ' ' || text[length - 1] == '\t')) text[--length] = '\0';
}

/* The C runtime's unsigned conversion with automatic base, in 32 bits as on
 * Windows: a value too large for 32 bits reads as 0xFFFFFFFF. */
static DWORD ParseNumber(const char *text, char **end)
{
    const char *p = text;
    unsigned long value = strtoul(text, end, 0);
    unsigned long magnitude;

    while (IsWhite(*p)) ++p;
    if (*p == '-') {
        magnitude = 0UL - value;
        return magnitude > 0xFFFFFFFFUL ? 0xFFFFFFFF : (DWORD)(0UL - magnitude);
    }
    return value > 0xFFFFFFFFUL ? 0xFFFFFFFF : (DWORD)value;
}

/* How a line of the script was read. */
#define LINE_READ 0
#define LINE_TOO_LONG 1
#define LINE_HOLDS_NUL 2

/* Reads one line of the text that ends at `end` into `line` and returns where
 * the next one starts. A line longer than the buffer, or one holding a NUL
 * byte before the end of the text, is reported in `*fault`: cutting it or
 * ending the script there would apply something other than what was written. */
static const char *ReadScriptLine(const char *p, const char *end, char *line, int *fault)
{
    size_t length = 0;

    *fault = LINE_READ;
    line[0] = '\0';
    while (p < end && *p != '\n' && IsWhite(*p)) ++p;
    if (p < end && *p != '\n') {
        while (p < end && *p != '\n') {
            if (*p == '\0') *fault = LINE_HOLDS_NUL;
            else if (length < SCRIPT_LINE_LIMIT) line[length++] = *p;
            else if (*fault == LINE_READ && !IsWhite(*p)) *fault = LINE_TOO_LONG;
            ++p;
        }
        while (length && IsWhite(line[length - 1])) --length;
        line[length] = '\0';
    }
    while (p < end && *p == '\n') ++p;
    return p;
}

BOOL ReplaceAll(char *text, const char *token, const char *replacement)
{
    size_t tokenLength = strlen(token);
    size_t replacementLength = strlen(replacement);
    size_t from = 0;
    char *found;

    if (tokenLength == 0) return TRUE;
    while ((found = strstr(text + from, token)) != NULL) {
        size_t length = strlen(text);
        if (length - tokenLength + replacementLength >= SCRIPT_LINE_LIMIT) return FALSE;
        memmove(found + replacementLength, found + tokenLength, length - (size_t)(found - text) - tokenLength + 1);
        memcpy(found, replacement, replacementLength);
        /* Searching from the start again would loop forever on a directory
         * whose name contains the token itself. */
        from = strstr(replacement, token) ? (size_t)(found - text) + replacementLength : 0;
    }
    return TRUE;
}

/* A directory macro stands for the directory without its trailing backslash,
 * so that a script writes "%%WINSYSDIR%%\halvunin.exe". */
static BOOL ExpandMacros(char *text)
{
    char directory[MAX_PATH];
    size_t length;
    unsigned i;

    for (i = 0; i < sizeof Macros / sizeof Macros[0]; ++i) {
        lstrcpynA(directory, GetDirectory(Macros[i].directory), MAX_PATH);
        length = strlen(directory);
        if (length && directory[length - 1] == '\\') directory[length - 1] = '\0';
        if (!ReplaceAll(text, Macros[i].token, directory)) return FALSE;
    }
    return TRUE;
}

static void ApplyHeader(struct ScriptPass *pass, const char *line)
{
    char upper[SCRIPT_LINE_LIMIT + 1];
    unsigned i;

    lstrcpynA(upper, line, sizeof upper);
    UpperCase(upper);
    for (i = 0; i < sizeof SectionHeaders / sizeof SectionHeaders[0]; ++i) {
        if (strcmp(upper, SectionHeaders[i].header) != 0) continue;
        POSITION();
        LogWrite("FLAG(%ld) %s", pass->line, upper);
        if (SectionHeaders[i].root) {
            pass->root = SectionHeaders[i].root;
            pass->rootChosen = TRUE;
        }
        pass->flags = (pass->flags & SectionHeaders[i].mask) | SectionHeaders[i].bits;
    }
}

static BOOL ApplyKeyLine(struct ScriptPass *pass, const char *line)
{
    const char *equals = strchr(line, '=');
    const char *path;
    HKEY key;
    DWORD disposition;
    LONG error;

    /* A key line without "=" or without a path names no key. */
    if (!equals) return TRUE;
    path = SkipBlanks(equals + 1);
    if (!*path) return TRUE;
    if (pass->openKey) {
        RegCloseKey(pass->openKey);
        pass->openKey = NULL;
    }
    if (!JournalKeyCreated(pass->root, path)) return FALSE;
    error = RegCreateKeyExA(pass->root, path, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL, &key,
                            &disposition);
    POSITION();
    if (error != ERROR_SUCCESS) {
        LogWrite("Failed REGKEY(%ld)=%s 0x%08lX", pass->line, path, error);
        RecordStatus(2077, (DWORD)error);
        return FALSE;
    }
    LogWrite("REGKEY(%ld)=%s", pass->line, path);
    pass->openKey = key;
    lstrcpynA(pass->openPath, path, sizeof pass->openPath);
    return TRUE;
}

static BOOL StopCorrupted(struct ScriptPass *pass, const char *format)
{
    POSITION();
    LogWrite(format, pass->line);
    RecordStatus(2053, (DWORD)pass->line);
    return FALSE;
}

static BOOL ApplyValueLine(struct ScriptPass *pass, const char *line)
{
    char name[SCRIPT_LINE_LIMIT + 1];
    char type[SCRIPT_LINE_LIMIT + 1];
    char text[SCRIPT_LINE_LIMIT];
    BYTE bytes[SCRIPT_LINE_LIMIT];
    const char *equals;
    const char *rest;
    const char *colon;
    const char *data;
    char *next;
    DWORD existingType;
    DWORD number;
    DWORD count;
    DWORD i;
    LONG error;

    if (!pass->rootChosen || !pass->openKey) return StopCorrupted(pass, "UNKNOWN LINE TYPE (%ld)");
    /* A value line without "=" has no type either. */
    equals = strchr(line, '=');
    if (!equals) return StopCorrupted(pass, "Missing ':' line %ld");
    rest = SkipBlanks(equals + 1);
    colon = strchr(rest, ':');
    if (!colon) return StopCorrupted(pass, "Missing ':' line %ld");

    lstrcpynA(name, line, (int)(equals - line) + 1);
    TrimBlanks(name);
    if (strcmp(name, "@") == 0) name[0] = '\0';
    lstrcpynA(type, rest, (int)(colon - rest) + 1);
    UpperCase(type);
    data = colon + 1;

    if (name[0] && (pass->flags & SECTION_OPTIONAL) &&
        RegQueryValueExA(pass->openKey, name, NULL, &existingType, NULL, NULL) == ERROR_SUCCESS &&
        ((existingType == REG_DWORD && strcmp(type, "REG_DWORD") == 0) ||
         (existingType == REG_SZ && strcmp(type, "REG_SZ") == 0))) {
        POSITION();
        LogWrite("OPTIONAL(%ld) exists, skipping", pass->line);
        return TRUE;
    }

    if (!JournalSaveValue(pass->root, pass->openPath, name)) return FALSE;
    POSITION();
    if (strcmp(type, "REG_SZ") == 0) {
        lstrcpynA(text, data, sizeof text);
        if (!ExpandMacros(text)) {
            LogWrite("REG_SZ(%ld) %s is longer than %ld characters after expansion", pass->line, name,
                     (DWORD)(SCRIPT_LINE_LIMIT - 1));
            RecordStatus(2053, (DWORD)pass->line);
            return FALSE;
        }
        LogWrite("REG_SZ(%ld) %s=%s", pass->line, name, text);
        error = RegSetValueExA(pass->openKey, name, 0, REG_SZ, (const BYTE *)text, (DWORD)strlen(text) + 1);
    } else if (strcmp(type, "REG_DWORD") == 0) {
        number = ParseNumber(data, &next);
        LogWrite("REG_DWORD(%ld) %s=%ld", pass->line, name, number);
        error = RegSetValueExA(pass->openKey, name, 0, REG_DWORD, (const BYTE *)&number, sizeof number);
    } else if (strcmp(type, "REG_MULTI_SZ") == 0 || strcmp(type, "REG_BINARY") == 0) {
        count = ParseNumber(data, &next);
        if (count > SCRIPT_LINE_LIMIT) {
            LogWrite("SETVALUE(%ld) %s BINARY line too long - truncated", pass->line, name);
            count = SCRIPT_LINE_LIMIT;
        }
        for (i = 0; i < count; ++i) bytes[i] = (BYTE)ParseNumber(next, &next);
        if (type[4] == 'M') {
            LogWrite("REG_MULTI_SZ(%ld) %s=%ld bytes", pass->line, name, count);
            error = RegSetValueExA(pass->openKey, name, 0, REG_MULTI_SZ, bytes, count);
        } else {
            LogWrite("REG_BINARY(%ld) %s=%ld bytes", pass->line, name, count);
            error = RegSetValueExA(pass->openKey, name, 0, REG_BINARY, bytes, count);
        }
    } else {
        error = 31; /* ERROR_GEN_FAILURE: an unknown type */
    }
    if (error != ERROR_SUCCESS) {
        POSITION();
        LogWrite("SETVALUE(%ld) %s failed 0x%08lX", pass->line, name, error);
        RecordStatus(2078, (DWORD)error);
        return FALSE;
    }
    return TRUE;
}

static BOOL LineApplies(const struct ScriptPass *pass)
{
    return (IsWin95 && (pass->flags & SECTION_WIN95)) || ((IsWinNT || IsWin2KXP) && (pass->flags & SECTION_NT));
}

BOOL ApplyRegistryScript(const char *path)
{
    struct MappedFile script;
    struct ScriptPass pass;
    char line[SCRIPT_LINE_LIMIT + 1];
    char upper[SCRIPT_LINE_LIMIT + 1];
    const char *p;
    const char *end;
    int fault;
    BOOL succeeded = TRUE;

    POSITION();
    pass.root = HKEY_LOCAL_MACHINE;
    pass.rootChosen = FALSE;
    pass.flags = SECTION_WIN95 | SECTION_NT;
    pass.openKey = NULL;
    pass.openPath[0] = '\0';
    pass.line = 1;

    if (!MapFile(path, 1, &script)) {
        succeeded = FALSE;
    } else {
        p = (const char *)script.Data;
        end = p + script.Size;
        while (p < end && succeeded) {
            p = ReadScriptLine(p, end, line, &fault);
            if (fault == LINE_TOO_LONG) {
                succeeded = StopCorrupted(&pass, "Line %ld is too long");
            } else if (fault == LINE_HOLDS_NUL) {
                succeeded = StopCorrupted(&pass, "Line %ld holds a NUL byte");
            } else if (line[0] && line[0] != ';') {
                if (line[0] == '[') {
                    ApplyHeader(&pass, line);
                } else if (LineApplies(&pass)) {
                    lstrcpynA(upper, line, sizeof upper);
                    UpperCase(upper);
                    succeeded = strstr(upper, "REGKEY") ? ApplyKeyLine(&pass, line) : ApplyValueLine(&pass, line);
                }
            }
            ++pass.line;
        }
    }
    if (pass.openKey) RegCloseKey(pass.openKey);
    if (script.Handle != INVALID_HANDLE_VALUE) UnmapFile(&script, 0);
    POSITION();
    LogWrite("%s registry parse %s", path, succeeded ? "succeeded" : "failed");
    return succeeded;
}

BOOL ApplyRegistryScripts(struct FileSet *set)
{
    struct ProgressRecord record;
    char path[MAX_PATH];
    DWORD i;

    POSITION();
    if (!LibraryInitialised) {
        LogWrite("Not initialized!");
        RecordStatus(2050, 0);
        return FALSE;
    }
    for (i = 0; i < set->count; ++i) {
        if (set->progress) {
            memset(&record, 0, sizeof record);
            record.kind = PROGRESS_REGISTRY;
            record.index = i;
            record.set = set;
            set->progress(&record);
        }
        if (!(set->entries[i].flags & FE_REGISTRY_SCRIPT)) continue;
        MakeDirPath(path, set->entries[i].imageName, set->entries[i].directory, ".TMP");
        POSITION();
        LogWrite("Parsing registry file %s", path);
        if (!ApplyRegistryScript(path)) return FALSE;
    }
    return TRUE;
}
