/* Codec set-up and shutdown, options, and opening, queuing on and closing the archive. */
#include <string.h>

#include "cx.h"
#include "cx_archive.h"
#include "cx_crc.h"
#include "cx_decoder.h"
#include "cx_events.h"
#include "cx_files.h"
#include "cx_match.h"
#include "cx_os.h"
#include "cx_scan.h"
#include "cx_tempname.h"

CxArchiveState cxArchive = { 0, 0, -1, -1, 0, 0, 0, 0, 0, 0, { 0 }, 0, 0 };
CxUpdateRoutine cxUpdateRoutine;

enum { PREFIX_COPY_BUFFER = 8192 };

int cxInit(void)
{
    cxCrcBuildTable();
    return CX_OK;
}

static void forgetArchive(void);

int cxDone(void)
{
    cxCloseAllFiles();
    /* Left by a cxProcess that never returned: its half-written output and
       temporary archive go, the archive itself stays as it was. */
    if (cxArchive.processOutput) {
        cxOsDeleteFile(cxArchive.processOutput);
        cxOsFree(cxArchive.processOutput);
        cxArchive.processOutput = 0;
    }
    cxOsFree(cxArchive.processRecord);
    cxArchive.processRecord = 0;
    if (cxArchive.tempName && cxOsFileExists(cxArchive.tempName))
        cxOsDeleteFile(cxArchive.tempName);
    forgetArchive();
    cxCrcDropTable();
    cxDecoderRelease();
    return CX_OK;
}

int cxSetTempPath(const char *)
{
    return CX_ERR_NOT_SUPPORTED;
}

int cxSetOption(int32_t option, intptr_t value)
{
    if (option == CX_OPTION_EVENT_CALLBACK) {
        cxEventCallback = (CxCallback)value;
        return CX_OK;
    }
    if (option == CX_OPTION_OVERWRITE_QUERY) {
        cxOverwriteQuery = (CxCallback)value;
        return CX_OK;
    }
    return CX_ERR_ARGUMENT;
}

static char *copyString(const char *text, size_t room)
{
    size_t length = strlen(text);
    char *copy = (char *)cxOsAlloc(length + 1 + room);
    if (copy)
        memcpy(copy, text, length + 1);
    return copy;
}

static int endsWithArq(const char *name)
{
    size_t length = strlen(name);
    if (length < 4)
        return 0;
    const char *tail = name + length - 4;
    return tail[0] == '.' && (tail[1] | 0x20) == 'a' && (tail[2] | 0x20) == 'r' && (tail[3] | 0x20) == 'q';
}

static int hasExtension(const char *name)
{
    const char *dot = strrchr(name, '.');
    if (!dot || dot == name || dot[-1] == '.' || dot[-1] == '\\' || dot[-1] == '/')
        return 0;
    return strchr(dot, '\\') == 0 && strchr(dot, '/') == 0;
}

static void forgetArchive(void)
{
    cxOsFree(cxArchive.name);
    cxOsFree(cxArchive.tempName);
    cxArchive.name = cxArchive.tempName = 0;
    while (cxArchive.queue) {
        CxOperation *next = cxArchive.queue->next;
        cxOsFree(cxArchive.queue->pattern);
        cxOsFree(cxArchive.queue->directory);
        cxOsFree(cxArchive.queue);
        cxArchive.queue = next;
    }
    cxArchive.handle = cxArchive.tempHandle = -1;
    cxArchive.open = cxArchive.modified = cxArchive.readOnly = cxArchive.keepPaths = 0;
    cxArchive.firstEntry = 0;
}

/* Copies what stands in front of the first entry (an executable image) to the temporary archive. */
static int copyPrefix(void)
{
    if (cxArchive.firstEntry <= 0)
        return 0;
    unsigned long size = PREFIX_COPY_BUFFER;
    unsigned char *buffer = (unsigned char *)cxAllocHalving(&size, 512);
    if (!buffer)
        return CX_ERR_NO_MEMORY;
    int result = 0;
    long copied = 0;
    cxFileSeek(cxArchive.handle, 0, 0);
    while (copied < cxArchive.firstEntry) {
        long left = cxArchive.firstEntry - copied;
        unsigned long piece = (unsigned long)left < size ? (unsigned long)left : size;
        if (cxFileRead(cxArchive.handle, buffer, piece) != (long)piece) {
            result = CX_ERR_SHORT_READ;
            break;
        }
        if (cxFileWrite(cxArchive.tempHandle, buffer, piece) != (long)piece) {
            result = CX_ERR_DISK_FULL;
            break;
        }
        copied += (long)piece;
        cxNotifyBlank(CX_EV_PREFIX_PROGRESS, (int32_t)copied);
    }
    cxOsFree(buffer);
    cxFileSeek(cxArchive.handle, 0, 0);
    return result;
}

int cxOpenArchive(const char *name, unsigned char flags)
{
    if (!name)
        return CX_ERR_ARGUMENT;
    if (cxArchive.open)
        return CX_ERR_ALREADY_OPEN;

    /* The name keeps its case: Windows ignores it, and host paths need it. */
    char *copy = copyString(name, 4);
    if (!copy)
        return CX_ERR_NO_MEMORY;
    size_t length = strlen(copy);
    while (length > 0 && copy[length - 1] == ' ')
        copy[--length] = 0;
    if (!hasExtension(copy))
        memcpy(copy + length, ".arq", 5);

    long firstEntry = 0;
    if (!endsWithArq(copy)) {
        firstEntry = cxScanFile(copy);
        if (firstEntry == CX_ERR_SCAN_OPEN) {
            firstEntry = 0;
        } else if (firstEntry < 0) {
            cxOsFree(copy);
            return (int)firstEntry;
        }
    }

    cxArchive.name = copy;
    cxArchive.firstEntry = firstEntry;
    memset(cxArchive.lastAttributes, 0, sizeof cxArchive.lastAttributes);
    cxArchive.keepPaths = (flags & CX_OPEN_KEEP_PATHS) != 0;
    cxArchive.readOnly = (flags & CX_OPEN_READ_ONLY) != 0;
    cxArchive.modified = 0;
    int handle = cxOpenFile(copy, cxArchive.readOnly ? CX_MODE_READ : CX_MODE_READ | CX_MODE_WRITE | CX_MODE_APPEND);
    if (handle < 0) {
        forgetArchive();
        return CX_ERR_HANDLE;
    }
    cxArchive.handle = handle;

    if (!cxArchive.readOnly) {
        cxArchive.tempName = cxMakeTempName(copy, "CX");
        int temp = cxArchive.tempName ? cxOpenFile(cxArchive.tempName, CX_MODE_WRITE | CX_MODE_CREATE) : -1;
        if (temp < 0) {
            cxCloseFile(handle);
            forgetArchive();
            return CX_ERR_NO_TEMP;
        }
        cxArchive.tempHandle = temp;
        int result = copyPrefix();
        if (result != 0) {
            cxCloseFile(handle);
            cxCloseFile(temp);
            cxOsDeleteFile(cxArchive.tempName);
            forgetArchive();
            return result;
        }
    }

    cxArchive.open = 1;
    cxNotifyBlank(CX_EV_ARCHIVE_OPENED, 0);
    return CX_OK;
}

int cxQueueOperation(const char *pattern, const char *directory, int type)
{
    CxOperation *op = (CxOperation *)cxOsAlloc(sizeof *op);
    if (!op)
        return CX_ERR_NO_MEMORY;
    op->pattern = copyString(pattern, 0);
    op->directory = copyString(directory, 1);
    if (!op->pattern || !op->directory) {
        cxOsFree(op->pattern);
        cxOsFree(op->directory);
        cxOsFree(op);
        return CX_ERR_NO_MEMORY;
    }
    cxUpperCase(op->pattern);
    /* A directory written with '/' (a host path) gets '/' so that it stays one path. */
    size_t length = strlen(op->directory);
    char last = length ? op->directory[length - 1] : 0;
    if (length && last != ':' && last != '\\' && last != '/')
        memcpy(op->directory + length, strchr(op->directory, '/') && !strchr(op->directory, '\\') ? "/" : "\\", 2);
    op->type = type;
    op->next = 0;
    CxOperation **tail = &cxArchive.queue;
    while (*tail)
        tail = &(*tail)->next;
    *tail = op;
    return CX_OK;
}

int cxExtract(const char *pattern, const char *directory)
{
    if (!pattern || !directory)
        return CX_ERR_ARGUMENT;
    if (!cxArchive.open)
        return CX_ERR_NOT_FOUND;
    if (cxCheckPattern(pattern) != 0)
        return CX_ERR_ARGUMENT;
    return cxQueueOperation(pattern, directory, CX_OP_EXTRACT);
}

static long sizeByName(const char *name)
{
    int handle = cxOpenFile(name, CX_MODE_READ);
    if (handle < 0)
        return -1;
    long size = cxFileSize(handle);
    cxCloseFile(handle);
    return size;
}

/* Puts the rewritten archive in place of the old one; the old one is moved
   aside first and comes back if the new one cannot take its name. */
static void replaceArchive(void)
{
    char *aside = cxMakeTempName(cxArchive.name, "CX");
    if (!aside || !cxOsRenameFile(cxArchive.name, aside)) {
        /* No room to move it aside: the old archive stays and the new one is dropped. */
        cxOsFree(aside);
        return;
    }
    if (cxOsRenameFile(cxArchive.tempName, cxArchive.name))
        cxOsDeleteFile(aside);
    else
        cxOsRenameFile(aside, cxArchive.name);
    cxOsFree(aside);
}

int cxCloseArchive(void)
{
    if (cxArchive.handle >= 0)
        cxCloseFile(cxArchive.handle);
    if (cxArchive.tempHandle >= 0)
        cxCloseFile(cxArchive.tempHandle);
    if (cxArchive.name) {
        if (cxArchive.modified && cxArchive.tempName)
            replaceArchive();
        if (sizeByName(cxArchive.name) == 0)
            cxOsDeleteFile(cxArchive.name);
    }
    if (cxArchive.tempName && cxOsFileExists(cxArchive.tempName))
        cxOsDeleteFile(cxArchive.tempName);
    forgetArchive();
    cxNotifyBlank(CX_EV_ARCHIVE_CLOSED, 0);
    return CX_OK;
}
