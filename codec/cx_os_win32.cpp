/*
 * The codec's system services through the Win32 calls.  Files are opened the
 * way the C runtime opens its streams (shared for reading and writing), so
 * that the installer can read its own executable while it runs.
 */
#include <windows.h>

#include "cx_os.h"

int cxOsOpen(const char *name, int mode, CxOsFile *file)
{
    DWORD access = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    switch (mode) {
    case CX_OS_READ: break;
    case CX_OS_READ_WRITE: access = GENERIC_READ | GENERIC_WRITE; break;
    case CX_OS_CREATE: access = GENERIC_WRITE; disposition = CREATE_ALWAYS; break;
    case CX_OS_CREATE_READ: access = GENERIC_READ | GENERIC_WRITE; disposition = CREATE_ALWAYS; break;
    case CX_OS_APPEND: access = GENERIC_WRITE; disposition = OPEN_ALWAYS; break;
    case CX_OS_APPEND_READ: access = GENERIC_READ | GENERIC_WRITE; disposition = OPEN_ALWAYS; break;
    default: return -1;
    }
    HANDLE h = CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, disposition,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return -1;
    *file = h;
    return 0;
}

void cxOsClose(CxOsFile file)
{
    CloseHandle((HANDLE)file);
}

long cxOsRead(CxOsFile file, void *buffer, unsigned long count)
{
    DWORD got = 0;
    if (!ReadFile((HANDLE)file, buffer, (DWORD)count, &got, NULL))
        return -1;
    return (long)got;
}

long cxOsWrite(CxOsFile file, const void *buffer, unsigned long count)
{
    DWORD put = 0;
    if (!WriteFile((HANDLE)file, buffer, (DWORD)count, &put, NULL))
        return -1;
    return (long)put;
}

long cxOsSeek(CxOsFile file, long offset, int origin)
{
    DWORD method = origin == CX_OS_SEEK_CUR ? FILE_CURRENT : origin == CX_OS_SEEK_END ? FILE_END : FILE_BEGIN;
    DWORD pos = SetFilePointer((HANDLE)file, (LONG)offset, NULL, method);
    if (pos == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        return -1;
    if (pos > 0x7FFFFFFFu)
        return -1;
    return (long)pos;
}

int cxOsDeleteFile(const char *name)
{
    return DeleteFileA(name) ? 1 : 0;
}

int cxOsRenameFile(const char *from, const char *to)
{
    return MoveFileA(from, to) ? 1 : 0;
}

int cxOsFileExists(const char *name)
{
    DWORD attributes = GetFileAttributesA(name);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int cxOsMakeDirectory(const char *name)
{
    return CreateDirectoryA(name, NULL) ? 1 : 0;
}

int cxOsSetReadOnly(const char *name, int readOnly)
{
    DWORD attributes = GetFileAttributesA(name);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return 0;
    if (readOnly)
        attributes |= FILE_ATTRIBUTE_READONLY;
    else
        attributes &= ~(DWORD)FILE_ATTRIBUTE_READONLY;
    if (attributes == 0)
        attributes = FILE_ATTRIBUTE_NORMAL;
    return SetFileAttributesA(name, attributes) ? 1 : 0;
}

int cxOsSetModificationTime(CxOsFile file, uint32_t unixTime)
{
    /* FILETIME counts 100 ns steps since 1601-01-01; 11644473600 s lie between the epochs. */
    unsigned long long ticks = ((unsigned long long)unixTime + 11644473600ull) * 10000000ull;
    FILETIME time;
    time.dwLowDateTime = (DWORD)ticks;
    time.dwHighDateTime = (DWORD)(ticks >> 32);
    return SetFileTime((HANDLE)file, NULL, &time, &time) ? 1 : 0;
}

long cxOsFreeSpace(int drive)
{
    if (drive < 0 || drive > 25)
        return -1;
    char root[4] = { (char)('A' + drive), ':', '\\', 0 };
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
    if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
        return -1;
    unsigned long long bytes = (unsigned long long)bytesPerSector * sectorsPerCluster * freeClusters;
    return bytes > 2147483647ull ? 2147483647L : (long)bytes;
}

int cxOsCurrentDrive(void)
{
    char directory[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(sizeof directory, directory);
    if (length < 2 || length >= sizeof directory || directory[1] != ':')
        return -1;
    char letter = directory[0];
    if (letter >= 'a' && letter <= 'z')
        letter = (char)(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z')
        return -1;
    return letter - 'A';
}

int cxOsFileStatus(const char *name, uint32_t *size, uint32_t *unixTime, int *readOnly)
{
    DWORD attributes = GetFileAttributesA(name);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return 0;
    HANDLE h = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    FILETIME written;
    DWORD high = 0;
    DWORD low = GetFileSize(h, &high);
    BOOL timed = GetFileTime(h, NULL, NULL, &written);
    CloseHandle(h);
    if (!timed || (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || high != 0)
        return 0;
    unsigned long long ticks = (unsigned long long)written.dwHighDateTime << 32 | written.dwLowDateTime;
    unsigned long long seconds = ticks / 10000000ull;
    seconds = seconds > 11644473600ull ? seconds - 11644473600ull : 0;
    *size = low;
    *unixTime = seconds > 0xFFFFFFFFull ? 0xFFFFFFFFu : (uint32_t)seconds;
    *readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    return 1;
}

void *cxOsAlloc(size_t size)
{
    return HeapAlloc(GetProcessHeap(), 0, size);
}

void cxOsFree(void *block)
{
    if (block)
        HeapFree(GetProcessHeap(), 0, block);
}
