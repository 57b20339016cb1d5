/*
 * The services the engine and both programs share, above the journal:
 * discovering the platform, setting up the directory set, mapped files,
 * looking for a file, the restart, and the uninstall entry.
 */
#include "install.h"

#include <ctype.h>
#include <intrin.h>
#include <string.h>

#include "guard.h"
#include "journal.h"
#include "log.h"
#include "status.h"

static const char THIS_FILE[] = ".\\install\\install.cpp";

static const struct {
    WORD primary;
    DWORD bit;
    const char *line;
} Languages[] = {
    {0x0C, LANGUAGE_FRENCH, "OS Language = FRENCH (0x%04lX)"},
    {0x10, LANGUAGE_ITALIAN, "OS Language = ITALIAN (0x%04lX)"},
    {0x07, LANGUAGE_GERMAN, "OS Language = GERMAN (0x%04lX)"},
    {0x0A, LANGUAGE_SPANISH, "OS Language = SPANISH (0x%04lX)"},
};

static void LowerCase(char *text)
{
    for (; *text; ++text) *text = (char)tolower((unsigned char)*text);
}

/* Directory `number` from `source`: normalised, lower case, one trailing
 * backslash. */
static void MakeDirectory(DWORD number, const char *source)
{
    char directory[MAX_PATH];

    lstrcpynA(directory, source, MAX_PATH - 1);
    NormalizePath(directory);
    LowerCase(directory);
    AppendPath(directory, "\\");
    StoreDirectory(number, directory);
}

BOOL StartPlatform(const char *target)
{
    DiscoverPlatform();
    SetupDirectories(target);
    POSITION();
    if (!IsWin95 && !IsWinNT && !IsWin2KXP) {
        LogWrite("Cannot run on Win32s - must be NT, 95 or 2K/XP");
        RecordStatus(2052, 0);
        return FALSE;
    }
    POSITION();
    if (IsOldShell) LogWrite("Installing on old shell - CTL3D needed");
    return TRUE;
}

void DiscoverPlatform(void)
{
    OSVERSIONINFOA version;
    const char *className;
    WORD primary;
    unsigned i;

    POSITION();
    if (PlatformDiscovered) return;
    PlatformDiscovered = TRUE;
    LogWrite("%s - %s", "Talven INSTALL Library", "1.09 (019)");

    memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) {
        /* No class flag is set then, and the start-up checks refuse the platform. */
        LogWrite("GetVersionEx failed 0x%08lX", GetLastError());
        memset(&version, 0, sizeof version);
    }
    IsOldShell = version.dwMajorVersion < 4;
    if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
        IsWin95 = TRUE;
    } else if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        if (version.dwMajorVersion == 5) IsWin2KXP = TRUE;
        else if (version.dwMajorVersion < 5) IsWinNT = TRUE;
        else if (version.dwMinorVersion != 0) IsWin2KXP = TRUE;
        else IsWinNT = TRUE;
    }
    className = IsWin95 ? "95" : IsWinNT ? "NT" : IsWin2KXP ? "2K/XP" : "Other";
    POSITION();
    LogWrite("OS = Windows %s (%ld.%ld.%ld)", className, version.dwMajorVersion, version.dwMinorVersion,
             version.dwBuildNumber & 0xFFFF);

    POSITION();
    if (IsAlphaProcessor()) {
        ProcessorArchitecture = 2;
        LogWrite("Platform ID = ALPHA");
    } else {
        ProcessorArchitecture = 0;
        LogWrite("Platform ID = INTEL");
    }

    POSITION();
    primary = (WORD)(GetUserDefaultLangID() & 0x3FF);
    OsLanguage = LANGUAGE_OTHER;
    for (i = 0; i < sizeof Languages / sizeof Languages[0]; ++i) {
        if (Languages[i].primary == primary) {
            OsLanguage = Languages[i].bit;
            LogWrite(Languages[i].line, (DWORD)primary);
        }
    }
    if (OsLanguage == LANGUAGE_OTHER) LogWrite("OS Language = ENGLISH (by default - 0x%04lX)", (DWORD)primary);

    IsAdmin = IsUserAdmin();
    POSITION();
    if (IsWinNT || IsWin2KXP) {
        LogWrite(IsAdmin ? "User has administrator rights on the local machine"
                         : "User does *NOT* have administrator rights on the local machine");
    }
}

/* Each directory is stored as soon as it is known: a fault midway leaves
 * the ones before it for the clean-up. */
void SetupDirectories(const char *target)
{
    char buffer[MAX_PATH];
    char directory[MAX_PATH];
    char *cut;

    POSITION();
    if (DirectoriesSet) return;
    DirectoriesSet = TRUE;

    memset(buffer, 0, sizeof buffer);
    if (GetTempPathA(sizeof buffer, buffer) >= sizeof buffer) buffer[0] = '\0';
    MakeDirectory(DIR_TEMP, buffer);
    MakeDirectory(DIR_TARGET, target ? target : "");
    memset(buffer, 0, sizeof buffer);
    if (GetWindowsDirectoryA(buffer, sizeof buffer) >= sizeof buffer) buffer[0] = '\0';
    MakeDirectory(DIR_WINDOWS, buffer);
    memset(buffer, 0, sizeof buffer);
    if (GetSystemDirectoryA(buffer, sizeof buffer) >= sizeof buffer) buffer[0] = '\0';
    MakeDirectory(DIR_SYSTEM32, buffer);

    lstrcpynA(directory, GetDirectory(DIR_SYSTEM32), MAX_PATH);
    if (!IsWin95) {
        /* The 16-bit system directory is the Windows directory's "system". */
        NormalizePath(directory);
        cut = strrchr(directory, '\\');
        if (cut) *cut = '\0';
        AppendPath(directory, "\\system\\");
    }
    StoreDirectory(DIR_SYSTEM16, directory);
    lstrcpynA(directory, GetDirectory(DIR_SYSTEM32), MAX_PATH);
    AppendPath(directory, IsWin95 ? "iosubsys\\" : "drivers\\");
    StoreDirectory(DIR_DRIVERS, directory);

    POSITION();
    LogWrite("Temp = ->%s<-", GetDirectory(DIR_TEMP));
    LogWrite("Target = ->%s<-", GetDirectory(DIR_TARGET));
    LogWrite("Windows = ->%s<-", GetDirectory(DIR_WINDOWS));
    LogWrite("System16 = ->%s<-", GetDirectory(DIR_SYSTEM16));
    LogWrite("System32 = ->%s<-", GetDirectory(DIR_SYSTEM32));
    LogWrite("Drivers = ->%s<-", GetDirectory(DIR_DRIVERS));
    LogDiskSpace("Temp", GetDirectory(DIR_TEMP));
    LogDiskSpace("Target", GetDirectory(DIR_TARGET));
    LogDiskSpace("Windows", GetDirectory(DIR_WINDOWS));
}

BOOL IsUserAdmin(void)
{
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    DWORD buffer[256]; /* 1024 bytes, aligned for the SID pointers inside */
    TOKEN_GROUPS *groups = (TOKEN_GROUPS *)buffer;
    HANDLE token;
    DWORD length = 0;
    BOOL read;
    PSID administrators;
    BOOL result = FALSE;
    DWORD i;

    if (IsWin95) return TRUE;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_READ, &token)) return FALSE;
    read = GetTokenInformation(token, TokenGroups, buffer, sizeof buffer, &length);
    CloseHandle(token);
    if (!read) return FALSE;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                  0, 0, &administrators))
        return FALSE;
    for (i = 0; i < groups->GroupCount && !result; ++i) {
        if (EqualSid(groups->Groups[i].Sid, administrators)) result = TRUE;
    }
    FreeSid(administrators);
    return result;
}

BOOL IsAlphaProcessor(void)
{
    char vendor[13];

    if (IsWin95) return FALSE;
    return ReadCpuVendor(vendor) && strcmp(vendor, "DigitalFX!32") == 0;
}

/* CPUID leaf 0: the vendor text is EBX, EDX, ECX in that order. */
static void ReadVendorRegisters(void *buffer)
{
    int registers[4];
    char *vendor = (char *)buffer;

    __cpuid(registers, 0);
    memcpy(vendor, &registers[1], 4);
    memcpy(vendor + 4, &registers[3], 4);
    memcpy(vendor + 8, &registers[2], 4);
    vendor[12] = '\0';
}

BOOL ReadCpuVendor(char *buffer)
{
    DWORD code;

    if (!buffer) return FALSE;
    code = RunGuarded(ReadVendorRegisters, buffer);
    if (code == 0) return TRUE;
    if (code != 0x80000001 && code != EXCEPTION_ACCESS_VIOLATION) lstrcpynA(buffer, "NotSupported", 13);
    return FALSE;
}

void LogDiskSpace(const char *label, const char *path)
{
    char root[4];
    DWORD sectorsPerCluster;
    DWORD bytesPerSector;
    DWORD freeClusters;
    DWORD totalClusters;

    POSITION();
    if (!path || !path[0] || path[1] != ':') return;
    root[0] = path[0];
    root[1] = ':';
    root[2] = '\\';
    root[3] = '\0';
    if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)) return;
    /* 32-bit arithmetic, as the log has always shown it: wraps above 4 GiB. */
    LogWrite("%s drive has %lu bytes free out of %lu.", label, sectorsPerCluster * bytesPerSector * freeClusters,
             sectorsPerCluster * bytesPerSector * totalClusters);
}

int FilePresence(const char *path, BOOL record)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    DWORD error;

    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
        return 1;
    }
    error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_NO_MORE_FILES) return 0;
    POSITION();
    LogWrite("Unable to look for %s 0x%08lX", path, error);
    if (record) RecordStatus(2089, error);
    return -1;
}

static void ClearMappedFile(struct MappedFile *record)
{
    memset(record, 0, sizeof *record);
    record->Handle = INVALID_HANDLE_VALUE;
}

void ReleaseMappedFile(struct MappedFile *record)
{
    DropResource(record->Data);
    DropResource(record->Handle);
    if (record->Data) VirtualFree(record->Data, 0, MEM_RELEASE);
    if (record->Handle != INVALID_HANDLE_VALUE) CloseHandle(record->Handle);
    ClearMappedFile(record);
}

BOOL MapFile(const char *path, DWORD reserved, struct MappedFile *record)
{
    DWORD error;
    DWORD bytesRead = 0;
    DWORD total;

    POSITION();
    ClearMappedFile(record);
    lstrcpynA(record->Path, path, MAX_PATH);

    record->Handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (record->Handle == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        POSITION();
        LogWrite("CreateFile %s failed 0x%08lX", path, error);
        RecordStatus(2067, error);
        goto failed;
    }
    HoldResource(HELD_HANDLE, record->Handle);
    record->Size = GetFileSize(record->Handle, NULL);
    if (record->Size == 0xFFFFFFFF && (error = GetLastError()) != 0) {
        POSITION();
        LogWrite("GetFileSize %s failed 0x%08lX", path, error);
        RecordStatus(2072, error);
        goto failed;
    }
    if (record->Size == 0 && reserved == 0) {
        POSITION();
        LogWrite("!!! Attempt to map a zero length file %s with no reserved area !!!", path);
        LogWrite("The file is NOT mapped, FALSE is returned, and no global error is set.");
        goto failed;
    }
    /* A size that wraps around cannot be allocated: fail as the allocation would. */
    total = record->Size + reserved;
    record->Data = total < record->Size ? NULL : (BYTE *)VirtualAlloc(NULL, total, MEM_COMMIT, PAGE_READWRITE);
    if (!record->Data) {
        error = total < record->Size ? ERROR_NOT_ENOUGH_MEMORY : GetLastError();
        POSITION();
        LogWrite("VirtualAlloc %ld failed 0x%08lX", total, error);
        RecordStatus(2054, 0);
        goto failed;
    }
    HoldResource(HELD_VIRTUAL, record->Data);
    record->Capacity = total;
    if (record->Size == 0) return TRUE;
    if (!ReadFile(record->Handle, record->Data, record->Size, &bytesRead, NULL) || bytesRead != record->Size) {
        error = GetLastError();
        POSITION();
        LogWrite("ReadFile %s of %ld bytes failed 0x%08lX (%ld bytes read)", path, record->Size, error, bytesRead);
        RecordStatus(2084, error);
        goto failed;
    }
    return TRUE;

failed:
    ReleaseMappedFile(record);
    return FALSE;
}

BOOL UnmapFile(struct MappedFile *record, DWORD extra)
{
    DWORD length = record->Size + extra;
    DWORD written = 0;
    DWORD error;
    BOOL result = TRUE;
    BOOL empty = record->Size == 0 && extra == 0;

    POSITION();
    if (record->Handle == INVALID_HANDLE_VALUE) return FALSE;
    /* Both stay held while the file is written back: a fault there still
     * lets the clean-up close the file and delete it. */
    if (!empty) {
        if (SetFilePointer(record->Handle, 0, NULL, FILE_BEGIN) == 0xFFFFFFFF) {
            error = GetLastError();
            POSITION();
            LogWrite("SetFilePointer %s failed 0x%08lX", record->Path, error);
            RecordStatus(2086, error);
            result = FALSE;
        } else if (length < record->Size || length > record->Capacity) {
            /* More than the block holds: nothing is written from outside it. */
            POSITION();
            LogWrite("WriteFile %s of %ld bytes failed 0x%08lX (%ld bytes read)", record->Path, length,
                     (DWORD)ERROR_INVALID_PARAMETER, written);
            RecordStatus(2085, ERROR_INVALID_PARAMETER);
            result = FALSE;
        } else if (!WriteFile(record->Handle, record->Data, length, &written, NULL) || written != length) {
            error = GetLastError();
            POSITION();
            LogWrite("WriteFile %s of %ld bytes failed 0x%08lX (%ld bytes read)", record->Path, length, error,
                     written);
            RecordStatus(2085, error);
            result = FALSE;
        }
    }
    DropResource(record->Data);
    DropResource(record->Handle);
    if (record->Data && !VirtualFree(record->Data, 0, MEM_RELEASE)) {
        POSITION();
        LogWrite("VirtualFree failed 0x%08lX", GetLastError());
    }
    if (!CloseHandle(record->Handle)) {
        error = GetLastError();
        POSITION();
        LogWrite("CloseHandle %s failed 0x%08lX", record->Path, error);
        RecordStatus(2087, error);
        ClearMappedFile(record);
        return FALSE;
    }
    if (result && empty && !DeleteFileA(record->Path)) {
        POSITION();
        LogWrite("DeleteFile %s failed 0x%08lX - ignored.", record->Path, GetLastError());
    }
    ClearMappedFile(record);
    return result;
}

BOOL RestartWindows(void)
{
    HANDLE token;
    TOKEN_PRIVILEGES privileges;
    BOOL accepted;
    BOOL logClosed = FALSE;
    DWORD error;

    POSITION();
    LogWrite("Forcing reboot of the system");
    if (IsWinNT || IsWin2KXP) {
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
            error = GetLastError();
            POSITION();
            LogWrite("OpenProcessToken failed 0x%08lX", error);
            RecordStatus(2076, error);
            return FALSE;
        }
        memset(&privileges, 0, sizeof privileges);
        LookupPrivilegeValueA(NULL, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid);
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        if (!AdjustTokenPrivileges(token, FALSE, &privileges, 0, NULL, NULL)) {
            error = GetLastError();
            POSITION();
            LogWrite("AdjustTokenPrivileges failed 0x%08lX", error);
            RecordStatus(2064, error);
            return FALSE;
        }
    }
    if (IsWin95) {
        /* The 95 family may end this process while the restart is under
         * way, so the log is closed first. Its file stays until the answer
         * is known: a refused restart is a failed run and goes on writing to
         * it, an accepted one keeps it only when asked to. */
        POSITION();
        LogWrite("Pre95 reboot status 0x%08lX qualifier 0x%08lX", StatusWord, StatusQualifier);
        LogWrite("Final status will not be logged because of reboot");
        logClosed = LogHandle != INVALID_HANDLE_VALUE;
        LogClose(TRUE);
    }
    accepted = ExitWindowsEx(EWX_REBOOT, 0);
    error = GetLastError();
    if (accepted) {
        if (logClosed && !RunFlags.leaveLog) LogDiscard();
        return TRUE;
    }
    if (logClosed) LogReopen();
    POSITION();
    LogWrite("ExitWindowsEx failed 0x%08lX", error);
    RecordStatus(2071, error);
    return FALSE;
}

/* What Add/Remove Programs shows on 2000/XP besides the name and the
 * command: version, publisher, icon, the silent command, and that there is
 * nothing to modify or repair. Returns the first failure's error. */
static const char *const DetailNames[] = {"DisplayVersion", "Publisher", "DisplayIcon", "QuietUninstallString",
                                          "NoModify", "NoRepair"};

DWORD CarriedVersionMS;
DWORD CarriedVersionLS;

void FormatCarriedVersion(char *text)
{
    wsprintfA(text, "%lu.%lu.%lu.%lu", CarriedVersionMS >> 16, CarriedVersionMS & 0xFFFF, CarriedVersionLS >> 16,
              CarriedVersionLS & 0xFFFF);
}

static LONG SetUninstallDetails(HKEY key, const char *command)
{
    char version[CARRIED_VERSION_SIZE];
    static const char publisher[] = "Talven";
    char quiet[MAX_PATH + 8];
    DWORD one = 1;
    LONG error;

    wsprintfA(quiet, "%s SILENT", command);
    FormatCarriedVersion(version);
    error = RegSetValueExA(key, "DisplayVersion", 0, REG_SZ, (const BYTE *)version, (DWORD)strlen(version) + 1);
    if (error == ERROR_SUCCESS)
        error = RegSetValueExA(key, "Publisher", 0, REG_SZ, (const BYTE *)publisher, sizeof publisher);
    if (error == ERROR_SUCCESS)
        error = RegSetValueExA(key, "DisplayIcon", 0, REG_SZ, (const BYTE *)command, (DWORD)strlen(command) + 1);
    if (error == ERROR_SUCCESS)
        error = RegSetValueExA(key, "QuietUninstallString", 0, REG_SZ, (const BYTE *)quiet, (DWORD)strlen(quiet) + 1);
    if (error == ERROR_SUCCESS) error = RegSetValueExA(key, "NoModify", 0, REG_DWORD, (const BYTE *)&one, sizeof one);
    if (error == ERROR_SUCCESS) error = RegSetValueExA(key, "NoRepair", 0, REG_DWORD, (const BYTE *)&one, sizeof one);
    return error;
}

/* The entry is part of the installation: a failure to write any of it is
 * recorded, so that the run is taken back as a whole. */
LONG RegisterUninstaller(void)
{
    static const char displayName[] = "Talven Tessera Reader";
    static const char uninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Talven Halvik";
    char command[MAX_PATH];
    HKEY key;
    LONG error;
    LONG closed;
    UINT length;
    DWORD i;

    POSITION();
    command[0] = '\0';
    /* Without the system directory the entry would name "\HALVUNIN.EXE" on no drive at all. */
    length = GetSystemDirectoryA(command, sizeof command);
    if (length == 0 || length >= sizeof command - sizeof "\\HALVUNIN.EXE") {
        error = length == 0 ? (LONG)GetLastError() : (LONG)ERROR_INSUFFICIENT_BUFFER;
        LogWrite("GetSystemDirectory failed 0x%08lX", (DWORD)error);
        RecordStatus(2050, (DWORD)error);
        return error ? error : (LONG)ERROR_INVALID_FUNCTION;
    }
    AppendPath(command, "\\HALVUNIN.EXE");
    if (!JournalKeyCreated(HKEY_LOCAL_MACHINE, uninstallKey) ||
        !JournalSaveValue(HKEY_LOCAL_MACHINE, uninstallKey, "DisplayName") ||
        !JournalSaveValue(HKEY_LOCAL_MACHINE, uninstallKey, "UninstallString"))
        return ERROR_CANTWRITE;
    for (i = 0; i < sizeof DetailNames / sizeof DetailNames[0]; ++i) {
        if (!JournalSaveValue(HKEY_LOCAL_MACHINE, uninstallKey, DetailNames[i])) return ERROR_CANTWRITE;
    }
    error = RegCreateKeyA(HKEY_LOCAL_MACHINE, uninstallKey, &key);
    if (error != ERROR_SUCCESS) {
        POSITION();
        LogWrite("RegCreateKey failed on the uninstall entry 0x%08lX", error);
        RecordStatus(2077, (DWORD)error);
        return error;
    }
    error = RegSetValueExA(key, "DisplayName", 0, REG_SZ, (const BYTE *)displayName, sizeof displayName);
    if (error == ERROR_SUCCESS)
        error = RegSetValueExA(key, "UninstallString", 0, REG_SZ, (const BYTE *)command, (DWORD)strlen(command) + 1);
    if (error == ERROR_SUCCESS) error = SetUninstallDetails(key, command);
    if (error != ERROR_SUCCESS) {
        POSITION();
        LogWrite("RegSetValueEx failed on the uninstall entry 0x%08lX", error);
        RecordStatus(2078, (DWORD)error);
    }
    closed = RegCloseKey(key);
    return error != ERROR_SUCCESS ? error : closed;
}
