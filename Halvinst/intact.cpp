/*
 * The setup's own integrity: before anything on the machine changes, the
 * archive appended to this executable must be exactly the one the packer
 * wrote. The packer filled the release stamp below with the archive's place,
 * length and SHA-256 and with the product version of the drivers it carries;
 * a signature added afterwards lies behind the archive and is not hashed.
 */
#include "Halvinst.h"

#include <string.h>

#include "../install/install.h"
#include "../install/log.h"
#include "../install/status.h"
#include "cx.h"
#include "cx_format.h"
#include "cx_scan.h"
#include "cx_sha256.h"
#include "cx_stamp.h"

static const char THIS_FILE[] = ".\\Halvinst\\intact.cpp";

/* Written into the executable file by the packer; not const, so that every
 * read goes to the bytes the file holds. */
unsigned char SetupStamp[CX_STAMP_SIZE] = CX_STAMP_MARKER;

#define DIGEST_CHUNK 16384UL

/* A damaged setup: its own message (2088) through the codec's CRC code. */
static BOOL Damaged(const char *what, const char *path)
{
    POSITION();
    LogWrite("Setup archive %s in %s", what, path);
    RecordStatus(2069, (DWORD)(LONG)CX_ERR_CRC);
    return FALSE;
}

static BOOL Unreadable(const char *call, const char *path, DWORD error)
{
    POSITION();
    LogWrite("%s failed on %s 0x%08lX", call, path, error);
    RecordStatus(2069, (DWORD)(LONG)CX_ERR_OPEN);
    return FALSE;
}

/* The SHA-256 of `size` bytes of the file from `offset`; FALSE when they cannot be read. */
static BOOL DigestRange(HANDLE file, DWORD offset, DWORD size, unsigned char *digest, DWORD *error)
{
    static unsigned char chunk[DIGEST_CHUNK];
    CxSha256 sha;
    DWORD got;
    DWORD want;

    if (SetFilePointer(file, (LONG)offset, NULL, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
        *error = GetLastError();
        return FALSE;
    }
    cxSha256Begin(&sha);
    while (size) {
        want = size < DIGEST_CHUNK ? size : (DWORD)DIGEST_CHUNK;
        if (!ReadFile(file, chunk, want, &got, NULL)) {
            *error = GetLastError();
            return FALSE;
        }
        if (got != want) {
            *error = ERROR_HANDLE_EOF;
            return FALSE;
        }
        cxSha256Add(&sha, chunk, got);
        size -= got;
    }
    cxSha256End(&sha, digest);
    return TRUE;
}

BOOL VerifySetupArchive(const char *path, const unsigned char *stamp)
{
    unsigned char digest[CX_SHA256_SIZE];
    DWORD offset = cxGet32(stamp + CX_STAMP_ARCHIVE_OFFSET);
    DWORD size = cxGet32(stamp + CX_STAMP_ARCHIVE_SIZE);
    DWORD fileSize;
    DWORD error = 0;
    HANDLE file;
    BOOL read;
    long first;

    POSITION();
    LogWrite("Checking the setup archive of %s", path);
    if (size < CX_ARCHIVE_RECORD_SIZE) return Damaged("was never stamped", path);
    file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return Unreadable("CreateFile", path, GetLastError());
    fileSize = GetFileSize(file, NULL);
    if (fileSize == INVALID_FILE_SIZE || offset > fileSize || size > fileSize - offset) {
        CloseHandle(file);
        return Damaged("is cut short", path);
    }
    read = DigestRange(file, offset, size, digest, &error);
    CloseHandle(file);
    if (!read) return Unreadable("ReadFile", path, error);
    if (memcmp(digest, stamp + CX_STAMP_DIGEST, CX_SHA256_SIZE) != 0) return Damaged("does not match its digest", path);
    /* The codec finds the first entry by its signature: it must be the one
     * behind the checked header record, not an earlier look-alike. */
    first = cxScanFile(path);
    if (first != (long)(offset + CX_ARCHIVE_RECORD_SIZE)) return Damaged("is not the first in the file", path);
    POSITION();
    LogWrite("Setup archive intact: %lu bytes at %lu", size, offset);
    return TRUE;
}

BOOL CheckSetupArchive(void)
{
    char path[MAX_PATH];
    char text[FORMAT_BUFFER_SIZE];
    DWORD length;

    POSITION();
    length = GetModuleFileNameA(NULL, path, sizeof path);
    if (length == 0 || length >= sizeof path) return Unreadable("GetModuleFileName", "the setup", GetLastError());
    if (!VerifySetupArchive(path, SetupStamp)) {
        if (!RunFlags.silent) {
            FormatFirstError(text);
            MessageBoxA(NULL, text, WizardTitle, MB_OK | MB_ICONEXCLAMATION);
        }
        return FALSE;
    }
    CarriedVersionMS = cxGet32(SetupStamp + CX_STAMP_VERSION_MS);
    CarriedVersionLS = cxGet32(SetupStamp + CX_STAMP_VERSION_LS);
    return TRUE;
}
