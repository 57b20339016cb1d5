/*
 * The undo journal (see journal.h for the format).
 */
#include "journal.h"

#include <string.h>

#include "../codec/cx_crc.h"
#include "held.h"
#include "keytree.h"
#include "log.h"
#include "paths.h"
#include "status.h"

static const char THIS_FILE[] = ".\\install\\journal.cpp";

static const char Magic[] = "HALVJNL 1 ";
#define MAGIC_LENGTH 10
/* A record without data fits here; a saved value's hex data needs more. */
#define LINE_SIZE 4096
/* A journal larger than this is not one this code wrote. */
#define JOURNAL_MAX_SIZE (16UL * 1024 * 1024)
#define MAX_FIELDS 6

/* The journal of this run: open (JournalFile) until it is marked done or
 * played back; JournalLive stays set until its files are gone, so that a
 * commit or rollback cut short by a fault can be called again. */
static HANDLE JournalFile = INVALID_HANDLE_VALUE;
static BOOL JournalLive;
/* This run's journal no longer undoes anything: marked done or deleted. */
static BOOL JournalClosed;
static BOOL HeaderWritten;
static char JournalPath[MAX_PATH];
static DWORD CopiesMade;

static const struct {
    HKEY root;
    const char *name;
} Roots[] = {
    {HKEY_LOCAL_MACHINE, "HKLM"}, {HKEY_CURRENT_USER, "HKCU"}, {HKEY_CLASSES_ROOT, "HKCR"}, {HKEY_USERS, "HKU"},
};

static const char *RootName(HKEY root)
{
    unsigned i;

    for (i = 0; i < sizeof Roots / sizeof Roots[0]; ++i) {
        if (Roots[i].root == root) return Roots[i].name;
    }
    return NULL;
}

static BOOL RootFromName(const char *name, HKEY *root)
{
    unsigned i;

    for (i = 0; i < sizeof Roots / sizeof Roots[0]; ++i) {
        if (strcmp(Roots[i].name, name) == 0) {
            *root = Roots[i].root;
            return TRUE;
        }
    }
    return FALSE;
}

/* The path of saved copy `number`: the journal's name with .001, .002... */
static void CopyPath(const char *journal, DWORD number, char *path)
{
    char *dot;

    lstrcpynA(path, journal, MAX_PATH - 4);
    dot = strrchr(path, '.');
    if (!dot || strchr(dot, '\\')) dot = path + strlen(path);
    wsprintfA(dot, ".%03ld", number);
}

void MachineJournalPath(char *path)
{
    MakeDirPath(path, "halvik", DIR_WINDOWS, ".jnl");
}

/* ---- Lines ------------------------------------------------------------- */

static const char HexDigits[] = "0123456789ABCDEF";

/* Appends one escaped field (with its leading blank) to `line`; false when
 * it does not fit in `size`. */
static BOOL AddField(char *line, DWORD *length, DWORD size, const char *field)
{
    const unsigned char *p;

    if (*length + 2 > size) return FALSE;
    line[(*length)++] = ' ';
    if (!*field) {
        /* An empty field (the default value's name) still takes a place. */
        line[(*length)++] = '%';
        if (*length + 2 > size) return FALSE;
        line[(*length)++] = '0';
        line[(*length)++] = '0';
        return TRUE;
    }
    for (p = (const unsigned char *)field; *p; ++p) {
        if (*p > 0x20 && *p < 0x7F && *p != '%') {
            if (*length + 1 > size) return FALSE;
            line[(*length)++] = (char)*p;
        } else {
            if (*length + 3 > size) return FALSE;
            line[(*length)++] = '%';
            line[(*length)++] = HexDigits[*p >> 4];
            line[(*length)++] = HexDigits[*p & 15];
        }
    }
    return TRUE;
}

static int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

/* Decodes a field in place; false for a broken escape or an inner NUL
 * (the empty field "%00" alone stands for the empty string). */
static BOOL DecodeField(char *field)
{
    char *in = field;
    char *out = field;
    int high;
    int low;

    if (strcmp(field, "%00") == 0) {
        *field = '\0';
        return TRUE;
    }
    while (*in) {
        if (*in != '%') {
            *out++ = *in++;
            continue;
        }
        high = HexValue(in[1]);
        low = high < 0 ? -1 : HexValue(in[2]);
        if (low < 0 || (high == 0 && low == 0)) return FALSE;
        *out++ = (char)(high << 4 | low);
        in += 3;
    }
    *out = '\0';
    return TRUE;
}

/* Writes "<crc> <body>\r\n" and flushes it: once this returns true the
 * record survives the process. */
static BOOL WriteRecord(const char *body, DWORD length)
{
    char head[12];
    DWORD written;
    DWORD error;
    BOOL ok;

    POSITION();
    wsprintfA(head, "%08lX", (DWORD)cxCrc32((const unsigned char *)body, length));
    ok = WriteFile(JournalFile, head, 8, &written, NULL) && written == 8 &&
         WriteFile(JournalFile, body, length, &written, NULL) && written == length &&
         WriteFile(JournalFile, "\r\n", 2, &written, NULL) && written == 2 && FlushFileBuffers(JournalFile);
    if (ok) return TRUE;
    error = GetLastError();
    POSITION();
    LogWrite("Unable to write undo journal %s 0x%08lX", JournalPath, error);
    RecordStatus(2085, error);
    return FALSE;
}

static BOOL RefuseInactive(void)
{
    POSITION();
    LogWrite("Undo journal misused");
    RecordStatus(2050, 0);
    return FALSE;
}

/* A record of a kind and up to four text fields. */
static BOOL Record(const char *kind, const char *a, const char *b, const char *c, const char *d)
{
    char line[LINE_SIZE];
    DWORD length = 0;

    if (JournalFile == INVALID_HANDLE_VALUE) return TRUE;
    line[length++] = ' ';
    lstrcpynA(line + length, kind, 5);
    length += (DWORD)strlen(kind);
    if ((a && !AddField(line, &length, sizeof line, a)) || (b && !AddField(line, &length, sizeof line, b)) ||
        (c && !AddField(line, &length, sizeof line, c)) || (d && !AddField(line, &length, sizeof line, d))) {
        POSITION();
        LogWrite("Undo journal record too long: %s", a ? a : kind);
        RecordStatus(2050, 0);
        return FALSE;
    }
    return WriteRecord(line, length);
}

/* ---- Recording --------------------------------------------------------- */

BOOL JournalBegin(const char *path, const char *owner)
{
    char line[MAX_PATH];
    DWORD written;
    DWORD error;
    DWORD length;

    POSITION();
    if (JournalLive || strlen(owner) > 32 || strchr(owner, ' ')) return RefuseInactive();
    lstrcpynA(JournalPath, path, sizeof JournalPath);
    CopiesMade = 0;
    JournalFile = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    if (JournalFile == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        POSITION();
        LogWrite("Unable to create undo journal %s 0x%08lX", path, error);
        RecordStatus(2067, error);
        return FALSE;
    }
    /* Live from here: a fault before the header is written still leaves a
     * file that the rollback must delete. */
    JournalLive = TRUE;
    JournalClosed = FALSE;
    HeaderWritten = FALSE;
    wsprintfA(line, "%s%s\r\n", Magic, owner);
    length = (DWORD)strlen(line);
    if (!WriteFile(JournalFile, line, length, &written, NULL) || written != length || !FlushFileBuffers(JournalFile)) {
        error = GetLastError();
        POSITION();
        LogWrite("Unable to write undo journal %s 0x%08lX", path, error);
        RecordStatus(2085, error);
        CloseHandle(JournalFile);
        JournalFile = INVALID_HANDLE_VALUE;
        JournalLive = FALSE;
        /* An empty or headless file would read as damaged: it goes. */
        DeleteFileA(path);
        return FALSE;
    }
    HeaderWritten = TRUE;
    LogWrite("Undo journal started at %s", path);
    return TRUE;
}


BOOL JournalFileCreated(const char *path)
{
    return Record("FNEW", path, NULL, NULL, NULL);
}

/* The file's attributes as text, for the undo to put back after its copy. */
static BOOL AttributesText(const char *path, char *text)
{
    DWORD attributes = GetFileAttributesA(path);
    DWORD error;

    if (attributes != INVALID_FILE_ATTRIBUTES) {
        wsprintfA(text, "%lu", attributes);
        return TRUE;
    }
    error = GetLastError();
    POSITION();
    LogWrite("Unable to get %s file attributes 0x%08lX", path, error);
    RecordStatus(2089, error);
    return FALSE;
}

BOOL JournalFileReplaced(const char *path, const char *backup)
{
    char attributes[16];

    if (JournalFile == INVALID_HANDLE_VALUE) return TRUE;
    return AttributesText(path, attributes) && Record("FOLD", path, backup, "0", attributes);
}

BOOL JournalSaveFile(const char *path)
{
    char copy[MAX_PATH];
    char attributesText[16];
    DWORD attributes;
    DWORD error;

    if (JournalFile == INVALID_HANDLE_VALUE) return TRUE;
    attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return JournalFileCreated(path);
        POSITION();
        LogWrite("Unable to get %s file attributes 0x%08lX", path, error);
        RecordStatus(2089, error);
        return FALSE;
    }
    if (CopiesMade >= JOURNAL_MAX_COPIES) {
        POSITION();
        LogWrite("Undo journal holds too many copies");
        RecordStatus(2050, 0);
        return FALSE;
    }
    /* The copy comes first and the record second: a record always names a
     * complete copy. A copy without its record is deleted with the journal. */
    CopyPath(JournalPath, CopiesMade + 1, copy);
    POSITION();
    if (!CopyFileA(path, copy, FALSE)) {
        error = GetLastError();
        POSITION();
        LogWrite("CopyFile %s to %s 0x%08lX", path, copy, error);
        RecordStatus(2066, error);
        return FALSE;
    }
    ++CopiesMade;
    wsprintfA(attributesText, "%lu", attributes);
    return Record("FOLD", path, copy, "1", attributesText);
}

static LONG OpenKey(HKEY root, const char *key, REGSAM access, HKEY *handle)
{
    return RegOpenKeyExA(root, key, 0, access, handle);
}

BOOL JournalSaveValue(HKEY root, const char *key, const char *name)
{
    char typeText[16];
    char *line;
    BYTE *data;
    DWORD type = 0;
    DWORD size = 0;
    DWORD length = 0;
    DWORD capacity;
    DWORD i;
    HKEY handle;
    LONG error;
    BOOL result;
    const char *rootName = RootName(root);

    if (JournalFile == INVALID_HANDLE_VALUE) return TRUE;
    if (!rootName) return RefuseInactive();
    error = OpenKey(root, key, KEY_QUERY_VALUE, &handle);
    if (error == ERROR_FILE_NOT_FOUND) return Record("VNEW", rootName, key, name, NULL);
    if (error != ERROR_SUCCESS) {
        POSITION();
        LogWrite("RegOpenKeyEx failed on %s 0x%08lX", key, error);
        RecordStatus(2081, (DWORD)error);
        return FALSE;
    }
    error = RegQueryValueExA(handle, name, NULL, &type, NULL, &size);
    if (error == ERROR_FILE_NOT_FOUND) {
        RegCloseKey(handle);
        return Record("VNEW", rootName, key, name, NULL);
    }
    if (error == ERROR_SUCCESS && size > JOURNAL_MAX_DATA) error = ERROR_MORE_DATA;
    capacity = LINE_SIZE + 2 * size + 4;
    line = NULL;
    data = NULL;
    if (error == ERROR_SUCCESS) {
        line = (char *)HeapAlloc(GetProcessHeap(), 0, capacity);
        data = (BYTE *)HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
        if (!line || !data) {
            if (line) HeapFree(GetProcessHeap(), 0, line);
            if (data) HeapFree(GetProcessHeap(), 0, data);
            RegCloseKey(handle);
            POSITION();
            LogWrite("Out of memory");
            RecordStatus(2054, 0);
            return FALSE;
        }
        error = RegQueryValueExA(handle, name, NULL, &type, data, &size);
    }
    RegCloseKey(handle);
    if (error != ERROR_SUCCESS) {
        if (line) HeapFree(GetProcessHeap(), 0, line);
        if (data) HeapFree(GetProcessHeap(), 0, data);
        POSITION();
        LogWrite("RegQueryValueEx failed on %s 0x%08lX", name, error);
        RecordStatus(2082, (DWORD)error);
        return FALSE;
    }
    wsprintfA(typeText, "%lu", type);
    line[length++] = ' ';
    memcpy(line + length, "VOLD", 4);
    length += 4;
    result = AddField(line, &length, LINE_SIZE, rootName) && AddField(line, &length, LINE_SIZE, key) &&
             AddField(line, &length, LINE_SIZE, name) && AddField(line, &length, LINE_SIZE, typeText);
    if (result) {
        line[length++] = ' ';
        line[length++] = '=';
        for (i = 0; i < size; ++i) {
            line[length++] = HexDigits[data[i] >> 4];
            line[length++] = HexDigits[data[i] & 15];
        }
        result = WriteRecord(line, length);
    } else {
        POSITION();
        LogWrite("Undo journal record too long: %s", key);
        RecordStatus(2050, 0);
    }
    HeapFree(GetProcessHeap(), 0, line);
    HeapFree(GetProcessHeap(), 0, data);
    return result;
}

BOOL JournalKeyCreated(HKEY root, const char *key)
{
    char part[2 * MAX_PATH];
    const char *rootName = RootName(root);
    const char *p;
    HKEY handle;
    LONG error;

    if (JournalFile == INVALID_HANDLE_VALUE) return TRUE;
    if (!rootName) return RefuseInactive();
    /* From the root down, the first part of the path that is missing. */
    for (p = key;; ++p) {
        if (*p != '\\' && *p) continue;
        if (p - key >= (long)sizeof part) {
            POSITION();
            LogWrite("Undo journal record too long: %s", key);
            RecordStatus(2050, 0);
            return FALSE;
        }
        lstrcpynA(part, key, (int)(p - key) + 1);
        error = OpenKey(root, part, KEY_QUERY_VALUE, &handle);
        if (error == ERROR_SUCCESS) {
            RegCloseKey(handle);
        } else if (error == ERROR_FILE_NOT_FOUND) {
            return Record("KNEW", rootName, part, NULL, NULL);
        } else {
            POSITION();
            LogWrite("RegOpenKeyEx failed on %s 0x%08lX", part, error);
            RecordStatus(2081, (DWORD)error);
            return FALSE;
        }
        if (!*p) break;
    }
    return TRUE;
}

BOOL JournalSaveKeyTree(HKEY root, const char *key)
{
    char name[MAX_PATH];
    char child[MAX_PATH];
    DWORD length;
    DWORD index;
    HKEY handle;
    LONG error;
    const char *rootName = RootName(root);

    if (JournalFile == INVALID_HANDLE_VALUE) return TRUE;
    if (!rootName) return RefuseInactive();
    error = OpenKey(root, key, KEY_READ, &handle);
    if (error == ERROR_FILE_NOT_FOUND) return TRUE;
    if (error != ERROR_SUCCESS) {
        POSITION();
        LogWrite("RegOpenKeyEx failed on %s 0x%08lX", key, error);
        RecordStatus(2081, (DWORD)error);
        return FALSE;
    }
    if (!Record("KOLD", rootName, key, NULL, NULL)) {
        RegCloseKey(handle);
        return FALSE;
    }
    /* Values first, then subkeys: played backwards, the subkeys come back
     * before their parent's values, and every key before its values. */
    for (index = 0;; ++index) {
        length = sizeof name;
        error = RegEnumValueA(handle, index, name, &length, NULL, NULL, NULL, NULL);
        if (error == ERROR_NO_MORE_ITEMS) break;
        if (error != ERROR_SUCCESS || !JournalSaveValue(root, key, name)) goto failed;
    }
    for (index = 0;; ++index) {
        length = sizeof name;
        error = RegEnumKeyExA(handle, index, name, &length, NULL, NULL, NULL, NULL);
        if (error == ERROR_NO_MORE_ITEMS) break;
        if (error != ERROR_SUCCESS || strlen(key) + 1 + strlen(name) >= sizeof child) goto failed;
        wsprintfA(child, "%s\\%s", key, name);
        if (!JournalSaveKeyTree(root, child)) goto failed;
    }
    RegCloseKey(handle);
    return TRUE;

failed:
    RegCloseKey(handle);
    if (error != ERROR_SUCCESS && error != ERROR_NO_MORE_ITEMS) {
        POSITION();
        LogWrite("Unable to read key %s for the undo journal 0x%08lX", key, error);
        RecordStatus(2082, (DWORD)error);
    }
    return FALSE;
}

/* ---- Reading and playing back ----------------------------------------- */

/* One record, split into its fields (decoded in place). */
struct JournalLine {
    char *fields[MAX_FIELDS];
    DWORD count;
    DWORD number;
};

/* Reads the whole journal into a heap block with a NUL behind it. */
static BOOL ReadJournal(const char *path, char **text, DWORD *size)
{
    HANDLE file;
    DWORD error;
    DWORD done = 0;

    POSITION();
    *text = NULL;
    file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        POSITION();
        LogWrite("Unable to open undo journal %s 0x%08lX", path, error);
        RecordStatus(2067, error);
        return FALSE;
    }
    HoldResource(HELD_HANDLE, file);
    *size = GetFileSize(file, NULL);
    if (*size == INVALID_FILE_SIZE || *size > JOURNAL_MAX_SIZE) {
        error = *size == INVALID_FILE_SIZE ? GetLastError() : 0;
        DropResource(file);
        CloseHandle(file);
        POSITION();
        LogWrite("Undo journal %s has no usable size 0x%08lX", path, error);
        RecordStatus(2084, error);
        return FALSE;
    }
    *text = (char *)HeapAlloc(GetProcessHeap(), 0, *size + 1);
    if (*text) HoldResource(HELD_HEAP, *text);
    if (!*text) {
        DropResource(file);
        CloseHandle(file);
        POSITION();
        LogWrite("Out of memory");
        RecordStatus(2054, 0);
        return FALSE;
    }
    if (!ReadFile(file, *text, *size, &done, NULL) || done != *size) {
        error = GetLastError();
        DropResource(file);
        CloseHandle(file);
        DropResource(*text);
        HeapFree(GetProcessHeap(), 0, *text);
        *text = NULL;
        POSITION();
        LogWrite("Unable to read undo journal %s 0x%08lX", path, error);
        RecordStatus(2084, error);
        return FALSE;
    }
    DropResource(file);
    CloseHandle(file);
    (*text)[*size] = '\0';
    return TRUE;
}

static const struct {
    const char *kind;
    DWORD fields; /* including the kind */
} Kinds[] = {
    {"FNEW", 2}, {"FOLD", 5}, {"VNEW", 4}, {"VOLD", 6}, {"KNEW", 3}, {"KOLD", 3}, {"DONE", 2},
};

#define DONE_KIND 6

/* Checks and splits one line (without its CR LF). */
static BOOL ParseLine(char *text, DWORD length, struct JournalLine *line)
{
    char *p;
    char *end = text + length;
    DWORD crc = 0;
    DWORD i;
    int digit;

    if (length < 10 || text[8] != ' ') return FALSE;
    for (i = 0; i < 8; ++i) {
        digit = HexValue(text[i]);
        if (digit < 0) return FALSE;
        crc = crc << 4 | (DWORD)digit;
    }
    if (crc != (DWORD)cxCrc32((const unsigned char *)text + 8, length - 8)) return FALSE;
    line->count = 0;
    for (p = text + 9; p < end;) {
        if (line->count == MAX_FIELDS) return FALSE;
        line->fields[line->count++] = p;
        while (p < end && *p != ' ') ++p;
        if (p < end) *p++ = '\0';
    }
    *end = '\0';
    for (i = 0; i < sizeof Kinds / sizeof Kinds[0]; ++i) {
        if (line->count && strcmp(line->fields[0], Kinds[i].kind) == 0) break;
    }
    if (i == sizeof Kinds / sizeof Kinds[0]) return FALSE;
    /* A closing record of the first journals carries no status. */
    if (line->count != Kinds[i].fields && !(i == DONE_KIND && line->count == 1)) return FALSE;
    /* A value's data stays hex ("=" first); every other field is escaped text. */
    for (i = 1; i < line->count; ++i) {
        if (strcmp(line->fields[0], "VOLD") == 0 && i == 5) {
            if (line->fields[i][0] != '=' || strlen(line->fields[i]) % 2 != 1) return FALSE;
            continue;
        }
        if (!DecodeField(line->fields[i]) || strlen(line->fields[i]) >= 2 * MAX_PATH) return FALSE;
    }
    return TRUE;
}

/* Whether a failed undo step is the run's failure: only on its last try, so
 * that a passing refusal the next try makes good is only logged. */
static BOOL LastTry = TRUE;

static BOOL UndoFailed(const char *what, const char *object, DWORD error, DWORD code)
{
    POSITION();
    LogWrite("Undo %s %s failed 0x%08lX", what, object, error);
    if (LastTry) RecordStatus(code, error);
    return FALSE;
}

static DWORD DecimalValue(const char *text)
{
    DWORD value = 0;

    for (; *text >= '0' && *text <= '9'; ++text) value = value * 10 + (DWORD)(*text - '0');
    return value;
}

static BOOL UndoFile(const struct JournalLine *line)
{
    const char *path = line->fields[1];
    DWORD attributes;
    DWORD error;

    POSITION();
    attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        if (strcmp(line->fields[0], "FNEW") != 0) return UndoFailed("restore", path, ERROR_ACCESS_DENIED, 2066);
        LogWrite("Undo: remove directory %s", path);
        if (RemoveDirectoryA(path)) return TRUE;
        return UndoFailed("remove directory", path, GetLastError(), 2070);
    }
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    if (strcmp(line->fields[0], "FNEW") == 0) {
        LogWrite("Undo: delete %s", path);
        if (DeleteFileA(path)) return TRUE;
        error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return TRUE;
        return UndoFailed("delete", path, error, 2070);
    }
    LogWrite("Undo: restore %s from %s", path, line->fields[2]);
    if (!CopyFileA(line->fields[2], path, FALSE)) return UndoFailed("restore", path, GetLastError(), 2066);
    if (SetFileAttributesA(path, DecimalValue(line->fields[4]))) return TRUE;
    return UndoFailed("set the attributes of", path, GetLastError(), 2079);
}

static BOOL DecodeData(const char *hex, BYTE *data, DWORD *size)
{
    DWORD i;

    *size = (DWORD)strlen(hex) / 2;
    for (i = 0; i < *size; ++i) {
        if (HexValue(hex[2 * i]) < 0 || HexValue(hex[2 * i + 1]) < 0) return FALSE;
        data[i] = (BYTE)(HexValue(hex[2 * i]) << 4 | HexValue(hex[2 * i + 1]));
    }
    return TRUE;
}

static BOOL KeyGone(HKEY root, const char *key)
{
    HKEY handle;
    LONG error = OpenKey(root, key, KEY_QUERY_VALUE, &handle);

    if (error == ERROR_SUCCESS) RegCloseKey(handle);
    return error == ERROR_FILE_NOT_FOUND;
}

static BOOL UndoRegistry(const struct JournalLine *line)
{
    const char *kind = line->fields[0];
    const char *key = line->fields[2];
    HKEY root;
    HKEY handle;
    LONG error;
    DWORD size;
    BYTE *data;

    POSITION();
    if (!RootFromName(line->fields[1], &root)) return UndoFailed("registry root", line->fields[1], 0, 2084);
    if (strcmp(kind, "KNEW") == 0) {
        LogWrite("Undo: delete key %s", key);
        if (KeyGone(root, key)) return TRUE;
        DeleteKeyTree(root, key);
        if (KeyGone(root, key)) return TRUE;
        return UndoFailed("delete key", key, 0, 2077);
    }
    if (strcmp(kind, "VNEW") == 0) {
        LogWrite("Undo: delete value %s of %s", line->fields[3], key);
        error = OpenKey(root, key, KEY_SET_VALUE, &handle);
        if (error == ERROR_FILE_NOT_FOUND) return TRUE;
        if (error != ERROR_SUCCESS) return UndoFailed("open key", key, (DWORD)error, 2081);
        error = RegDeleteValueA(handle, line->fields[3]);
        RegCloseKey(handle);
        if (error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND) return TRUE;
        return UndoFailed("delete value", line->fields[3], (DWORD)error, 2078);
    }
    LogWrite("Undo: %s key %s", strcmp(kind, "KOLD") == 0 ? "create" : "set a value of", key);
    error = RegCreateKeyExA(root, key, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL, &handle, NULL);
    if (error != ERROR_SUCCESS) return UndoFailed("create key", key, (DWORD)error, 2077);
    if (strcmp(kind, "KOLD") == 0) {
        RegCloseKey(handle);
        return TRUE;
    }
    data = (BYTE *)HeapAlloc(GetProcessHeap(), 0, strlen(line->fields[5]) / 2 + 1);
    if (!data) {
        RegCloseKey(handle);
        return UndoFailed("allocate for", key, 0, 2054);
    }
    if (!DecodeData(line->fields[5] + 1, data, &size)) {
        HeapFree(GetProcessHeap(), 0, data);
        RegCloseKey(handle);
        return UndoFailed("read data of", line->fields[3], 0, 2084);
    }
    error = RegSetValueExA(handle, line->fields[3], 0, DecimalValue(line->fields[4]), data, size);
    HeapFree(GetProcessHeap(), 0, data);
    RegCloseKey(handle);
    if (error == ERROR_SUCCESS) return TRUE;
    return UndoFailed("set value", line->fields[3], (DWORD)error, 2078);
}

static BOOL Undo(const struct JournalLine *line)
{
    if (line->fields[0][0] == 'F') return UndoFile(line);
    return UndoRegistry(line);
}

/* Writes the closing record to an open journal. Quiet: a journal that
 * cannot be marked is deleted instead, which closes it just as well. */
static BOOL MarkDone(HANDLE file)
{
    char body[24];
    char line[40];
    DWORD written;
    DWORD length;

    if (file == INVALID_HANDLE_VALUE) return FALSE;
    /* With the run's status: a run that finds the closed journal still
     * there learns whether this one left a restart to be made. */
    wsprintfA(body, " DONE %08lX", StatusWord);
    wsprintfA(line, "%08lX%s\r\n", (DWORD)cxCrc32((const unsigned char *)body, (unsigned)strlen(body)), body);
    length = (DWORD)strlen(line);
    if (SetFilePointer(file, 0, NULL, FILE_END) == INVALID_SET_FILE_POINTER) return FALSE;
    if (!WriteFile(file, line, length, &written, NULL) || written != length) return FALSE;
    /* The mark is in the file: writing it a second time would not make it
     * more so, and the system writes it out when the handle closes. */
    if (!FlushFileBuffers(file)) LogWrite("FlushFileBuffers on the undo journal failed 0x%08lX", GetLastError());
    return TRUE;
}

/* Deletes a file, trying twice; a missing file counts as deleted. With
 * `record`, a failure is recorded; otherwise it is only logged. */
BOOL DeleteFileTwice(const char *path, BOOL record)
{
    DWORD error;

    if (DeleteFileA(path)) return TRUE;
    error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return TRUE;
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileA(path)) return TRUE;
    error = GetLastError();
    POSITION();
    LogWrite("DeleteFile %s failed 0x%08lX", path, error);
    if (record) RecordStatus(2070, error);
    return FALSE;
}

/* A committed journal whose deletion waits for the end of the process. */
static char ClosedJournal[MAX_PATH];

/* The journal has nothing more to undo: it is marked done and closed, its
 * copies go (1 to `copies` and the one a killed run may have made behind
 * them), and then the journal itself, unless `keepClosed` keeps a marked
 * one for JournalDeleteClosed. Without the mark the journal goes first, so
 * that no journal can outlive the copies it names. A marked journal left
 * behind only costs the next run its deletion, so failures after the mark
 * are logged, not recorded. */
static BOOL Finish(const char *path, HANDLE *file, DWORD copies, BOOL keepClosed)
{
    char copy[MAX_PATH];
    BOOL done;
    BOOL result = TRUE;
    DWORD i;

    done = MarkDone(*file) || MarkDone(*file);
    if (*file != INVALID_HANDLE_VALUE) CloseHandle(*file);
    *file = INVALID_HANDLE_VALUE;
    if (!done && !DeleteFileTwice(path, TRUE)) return FALSE;
    JournalClosed = TRUE;
    for (i = 1; i <= copies + 1 && i <= JOURNAL_MAX_COPIES; ++i) {
        CopyPath(path, i, copy);
        if (!DeleteFileTwice(copy, FALSE)) result = FALSE;
    }
    if (done && keepClosed) {
        lstrcpynA(ClosedJournal, path, MAX_PATH);
        return result;
    }
    if (done && !DeleteFileTwice(path, FALSE)) result = FALSE;
    return result;
}

void JournalDeleteClosed(void)
{
    if (!ClosedJournal[0]) return;
    DeleteFileTwice(ClosedJournal, FALSE);
    ClosedJournal[0] = '\0';
}

/* Cuts the journal behind the record at `end`: what followed was undone. */
static void CutJournal(const char *path, DWORD end)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);

    if (file == INVALID_HANDLE_VALUE) return;
    if (SetFilePointer(file, (LONG)end, NULL, FILE_BEGIN) == end) SetEndOfFile(file);
    FlushFileBuffers(file);
    CloseHandle(file);
}

/* The CR LF that ends the line at `p`, or NULL; NUL bytes do not stop it. */
static char *FindLineEnd(char *p, const char *end)
{
    for (; p + 1 < end; ++p) {
        if (p[0] == '\r' && p[1] == '\n') return p;
    }
    return NULL;
}

BOOL RestartOwed;

/* Whether Windows has started since `time`: the time now less the
 * milliseconds since the start. After 49.7 days the tick count wraps and
 * the start seems later than it was; the restart then counts as made. */
static BOOL StartedSince(const FILETIME *time)
{
    FILETIME now;
    ULONGLONG start;
    ULONGLONG then;

    GetSystemTimeAsFileTime(&now);
    start = ((ULONGLONG)now.dwHighDateTime << 32 | now.dwLowDateTime) - (ULONGLONG)GetTickCount() * 10000;
    then = (ULONGLONG)time->dwHighDateTime << 32 | time->dwLowDateTime;
    return then < start;
}

/* A closed journal left behind: its run ended before it could delete it.
 * When that run needed a restart (progress code 2 or 3) and Windows has not
 * started since the journal was written, the restart is still owed. */
static void NoteOwedRestart(const char *path, const struct JournalLine *done)
{
    WIN32_FIND_DATAA found;
    HANDLE search;
    DWORD status = 0;
    const char *p;
    DWORD code;

    if (done->count < 2) return;
    for (p = done->fields[1]; *p && HexValue(*p) >= 0; ++p) status = status << 4 | (DWORD)HexValue(*p);
    code = STATUS_CODE(status);
    if (*p || (code != 2 && code != 3)) return;
    search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) return;
    FindClose(search);
    if (StartedSince(&found.ftLastWriteTime)) return;
    POSITION();
    LogWrite("The run that closed it needs a restart, still to be made");
    RestartOwed = TRUE;
}

/* Whether `text` (no line end in it) is the start of a first line that a
 * run was writing when it ended: empty, a part of the magic, or the magic
 * with a part of the owner's name and perhaps the CR of its line end. */
static BOOL TornHeader(const char *text, DWORD size)
{
    DWORD i;

    for (i = 0; i < size; ++i) {
        if (i < MAGIC_LENGTH) {
            if (text[i] != Magic[i]) return FALSE;
        } else if ((text[i] <= ' ' || text[i] > '~') && !(text[i] == '\r' && i + 1 == size)) {
            return FALSE;
        }
    }
    return TRUE;
}

/* Plays the journal at `path` backwards. `*file` is the open journal of
 * this run, or none for one left by an earlier run; it is closed when the
 * journal is finished. Every record's undo puts back one fixed earlier
 * state, and the earliest record of an object comes last, so a playback
 * cut short by a fault may simply start again from the end. */
static DWORD Playback(const char *path, HANDLE *file, DWORD copies)
{
    struct JournalLine *lines = NULL;
    DWORD *ends = NULL;
    char *text = NULL;
    char *p;
    char *lineEnd;
    DWORD size;
    DWORD count = 0;
    DWORD owned = 0;
    DWORD i;
    DWORD result = JOURNAL_UNDONE;

    POSITION();
    if (!ReadJournal(path, &text, &size)) return JOURNAL_FAILED;
    lineEnd = FindLineEnd(text, text + size);
    if (!lineEnd && TornHeader(text, size)) {
        /* A run ended while it began its journal, before any record: it
         * changed nothing yet, and its journal only goes. */
        LogWrite("Undo journal %s was never begun", path);
        if (*file != INVALID_HANDLE_VALUE) CloseHandle(*file);
        *file = INVALID_HANDLE_VALUE;
        if (!DeleteFileTwice(path, TRUE)) result = JOURNAL_FAILED;
        goto done;
    }
    if (strncmp(text, Magic, MAGIC_LENGTH) != 0 || !lineEnd || lineEnd == text + MAGIC_LENGTH) {
        POSITION();
        LogWrite("Undo journal %s is not one of ours", path);
        RecordStatus(2084, 0);
        result = JOURNAL_FAILED;
        goto done;
    }
    *lineEnd = '\0';
    LogWrite("Undo journal %s of %s", path, text + MAGIC_LENGTH);
    lines = (struct JournalLine *)HeapAlloc(GetProcessHeap(), 0, (size / 10 + 1) * sizeof *lines);
    ends = (DWORD *)HeapAlloc(GetProcessHeap(), 0, (size / 10 + 1) * sizeof *ends);
    if (lines) HoldResource(HELD_HEAP, lines);
    if (ends) HoldResource(HELD_HEAP, ends);
    if (!lines || !ends) {
        POSITION();
        LogWrite("Out of memory");
        RecordStatus(2054, 0);
        result = JOURNAL_FAILED;
        goto done;
    }
    /* Every complete line must be sound before anything is undone; a last
     * line without its line end was never finished, nor its change begun. */
    for (p = lineEnd + 2; (lineEnd = FindLineEnd(p, text + size)) != NULL; p = lineEnd + 2) {
        if (strlen(p) < (DWORD)(lineEnd - p) || !ParseLine(p, (DWORD)(lineEnd - p), &lines[count])) {
            POSITION();
            LogWrite("Undo journal %s is damaged at record %ld", path, count + 1);
            RecordStatus(2084, count + 1);
            result = JOURNAL_FAILED;
            goto done;
        }
        if (strcmp(lines[count].fields[0], "FOLD") == 0 && lines[count].fields[3][0] == '1') ++owned;
        ends[count++] = (DWORD)(lineEnd + 2 - text);
    }
    if (copies < owned) copies = owned;
    if (count && strcmp(lines[count - 1].fields[0], "DONE") == 0) {
        LogWrite("Undo journal %s was already closed", path);
        NoteOwedRestart(path, &lines[count - 1]);
        if (*file != INVALID_HANDLE_VALUE) CloseHandle(*file);
        *file = INVALID_HANDLE_VALUE;
        Finish(path, file, copies, FALSE);
        result = JOURNAL_FINISHED;
        goto done;
    }
    for (i = count; i-- > 0;) {
        /* One more try covers a passing refusal (a scanner holding the file). */
        LastTry = FALSE;
        if (Undo(&lines[i])) {
            LastTry = TRUE;
            continue;
        }
        LastTry = TRUE;
        if (Undo(&lines[i])) continue;
        POSITION();
        LogWrite("Undo journal %s kept for the next run", path);
        if (*file != INVALID_HANDLE_VALUE) CloseHandle(*file);
        *file = INVALID_HANDLE_VALUE;
        CutJournal(path, ends[i]);
        result = JOURNAL_FAILED;
        goto done;
    }
    if (*file == INVALID_HANDLE_VALUE) {
        *file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    }
    if (!Finish(path, file, copies, FALSE)) result = JOURNAL_FAILED;

done:
    DropResource(lines);
    DropResource(ends);
    DropResource(text);
    if (lines) HeapFree(GetProcessHeap(), 0, lines);
    if (ends) HeapFree(GetProcessHeap(), 0, ends);
    HeapFree(GetProcessHeap(), 0, text);
    return result;
}

BOOL JournalActive(void)
{
    return JournalLive;
}

BOOL JournalCommitted(void)
{
    return JournalLive && JournalClosed;
}

BOOL JournalCommit(void)
{
    BOOL result;

    POSITION();
    if (!JournalLive) return TRUE;
    LogWrite("Undo journal %s closed, the run is complete", JournalPath);
    result = Finish(JournalPath, &JournalFile, CopiesMade, TRUE);
    /* Neither marked nor deleted, the journal would undo this run at the
     * next start: the run is not final and stays to be taken back. */
    if (JournalClosed) JournalLive = FALSE;
    return result;
}

BOOL JournalRollback(void)
{
    DWORD result;

    POSITION();
    if (!JournalLive) return TRUE;
    LogWrite("Undoing this run's changes from %s", JournalPath);
    if (!HeaderWritten) {
        /* Begun but cut short before its first line: it holds nothing. */
        if (JournalFile != INVALID_HANDLE_VALUE) CloseHandle(JournalFile);
        JournalFile = INVALID_HANDLE_VALUE;
        JournalLive = FALSE;
        return DeleteFileTwice(JournalPath, TRUE);
    }
    result = Playback(JournalPath, &JournalFile, CopiesMade);
    if (JournalFile != INVALID_HANDLE_VALUE) CloseHandle(JournalFile);
    JournalFile = INVALID_HANDLE_VALUE;
    /* A step that could not be undone (a file still held) may succeed at
     * the run's end, once everything is let go; the journal stays live. */
    if (result != JOURNAL_FAILED) JournalLive = FALSE;
    return result != JOURNAL_FAILED;
}

void JournalAbandon(void)
{
    ClosedJournal[0] = '\0';
    if (JournalFile != INVALID_HANDLE_VALUE) CloseHandle(JournalFile);
    JournalFile = INVALID_HANDLE_VALUE;
    JournalLive = FALSE;
}

DWORD JournalRecover(const char *path)
{
    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD attributes;
    DWORD error;
    DWORD result;

    POSITION();
    if (JournalLive) {
        RefuseInactive();
        return JOURNAL_FAILED;
    }
    attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return JOURNAL_NONE;
        POSITION();
        LogWrite("Unable to get %s file attributes 0x%08lX", path, error);
        RecordStatus(2089, error);
        return JOURNAL_FAILED;
    }
    LogWrite("Found the undo journal of an interrupted run at %s", path);
    result = Playback(path, &file, 0);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return result;
}

BOOL RecoverInterruptedRun(void)
{
    char path[MAX_PATH];

    POSITION();
    MachineJournalPath(path);
    switch (JournalRecover(path)) {
    case JOURNAL_FAILED:
        return FALSE;
    case JOURNAL_UNDONE:
        POSITION();
        LogWrite("The changes of an interrupted run were undone");
        break;
    default:
        break;
    }
    return TRUE;
}
