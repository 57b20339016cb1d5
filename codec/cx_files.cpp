#include <string.h>

#include "cx.h"
#include "cx_files.h"
#include "cx_os.h"

struct CxFileSlot {
    int inUse;
    CxOsFile file;
    char *name;                 /* upper-case copy of the name it was opened by */
    int append;                 /* every write goes to the end of the file */
    unsigned bufferPos;         /* next unread byte in buffer */
    unsigned bufferEnd;         /* bytes held in buffer */
    unsigned char buffer[CX_FILE_BUFFER];
};

static CxFileSlot fileTable[CX_FILE_SLOTS];

void cxUpperCase(char *text)
{
    for (; *text; text++)
        if (*text >= 'a' && *text <= 'z')
            *text = (char)(*text - 'a' + 'A');
}

int cxFileValid(int handle)
{
    return handle >= 0 && handle < CX_FILE_SLOTS && fileTable[handle].inUse;
}

int cxOpenFile(const char *name, int mode)
{
    if (!name)
        return CX_ERR_ARGUMENT;
    int osMode;
    int append = 0;
    int readToo = mode & CX_MODE_READ;
    if (mode & CX_MODE_CREATE) {
        osMode = readToo ? CX_OS_CREATE_READ : CX_OS_CREATE;
    } else if (mode & CX_MODE_APPEND) {
        osMode = readToo ? CX_OS_APPEND_READ : CX_OS_APPEND;
        append = 1;
    } else if ((mode & (CX_MODE_READ | CX_MODE_WRITE)) == (CX_MODE_READ | CX_MODE_WRITE)) {
        osMode = CX_OS_READ_WRITE;
    } else if (mode & CX_MODE_WRITE) {
        osMode = CX_OS_CREATE;
    } else if (mode & CX_MODE_READ) {
        osMode = CX_OS_READ;
    } else {
        return CX_ERR_ARGUMENT;
    }

    /* The slot and the name's copy come first: a fault between opening the
       file and entering it in the table would leave a handle that
       cxCloseAllFiles cannot close (and a new file no one can delete). */
    int handle = 0;
    while (handle < CX_FILE_SLOTS && fileTable[handle].inUse)
        handle++;
    if (handle == CX_FILE_SLOTS)
        return CX_ERR_TABLE_FULL;
    size_t length = strlen(name);
    char *copy = (char *)cxOsAlloc(length + 1);
    if (!copy)
        return CX_ERR_NO_MEMORY;
    memcpy(copy, name, length + 1);
    cxUpperCase(copy);
    CxOsFile file;
    if (cxOsOpen(name, osMode, &file) != 0) {
        cxOsFree(copy);
        return CX_ERR_OPEN;
    }

    CxFileSlot *slot = &fileTable[handle];
    slot->inUse = 1;
    slot->file = file;
    slot->name = copy;
    slot->append = append;
    slot->bufferPos = slot->bufferEnd = 0;
    return handle;
}

int cxCloseFile(int handle)
{
    if (!cxFileValid(handle))
        return CX_ERR_HANDLE;
    CxFileSlot *slot = &fileTable[handle];
    cxOsFree(slot->name);
    cxOsClose(slot->file);
    slot->inUse = 0;
    slot->file = 0;
    slot->name = 0;
    slot->bufferPos = slot->bufferEnd = 0;
    return CX_OK;
}

void cxCloseAllFiles(void)
{
    for (int handle = 0; handle < CX_FILE_SLOTS; handle++)
        if (fileTable[handle].inUse)
            cxCloseFile(handle);
}

/* Gives the system position back to the logical one before a write or a seek. */
static int dropReadBuffer(CxFileSlot *slot)
{
    unsigned unread = slot->bufferEnd - slot->bufferPos;
    slot->bufferPos = slot->bufferEnd = 0;
    if (unread && cxOsSeek(slot->file, -(long)unread, CX_OS_SEEK_CUR) < 0)
        return -1;
    return 0;
}

long cxFileRead(int handle, void *buffer, unsigned long count)
{
    if (!cxFileValid(handle))
        return -1;
    CxFileSlot *slot = &fileTable[handle];
    unsigned char *out = (unsigned char *)buffer;
    unsigned long done = 0;
    while (done < count) {
        unsigned held = slot->bufferEnd - slot->bufferPos;
        if (held) {
            unsigned long take = count - done < held ? count - done : held;
            memcpy(out + done, slot->buffer + slot->bufferPos, take);
            slot->bufferPos += (unsigned)take;
            done += take;
            continue;
        }
        if (count - done >= CX_FILE_BUFFER) {
            /* Large requests bypass the buffer. */
            long got = cxOsRead(slot->file, out + done, count - done);
            if (got <= 0)
                return done ? (long)done : got;
            done += (unsigned long)got;
            continue;
        }
        long got = cxOsRead(slot->file, slot->buffer, CX_FILE_BUFFER);
        if (got <= 0)
            return done ? (long)done : got;
        slot->bufferPos = 0;
        slot->bufferEnd = (unsigned)got;
    }
    return (long)done;
}

long cxFileWrite(int handle, const void *buffer, unsigned long count)
{
    if (!cxFileValid(handle))
        return -1;
    CxFileSlot *slot = &fileTable[handle];
    if (dropReadBuffer(slot) != 0)
        return -1;
    if (slot->append && cxOsSeek(slot->file, 0, CX_OS_SEEK_END) < 0)
        return -1;
    const unsigned char *in = (const unsigned char *)buffer;
    unsigned long done = 0;
    while (done < count) {
        long put = cxOsWrite(slot->file, in + done, count - done);
        if (put <= 0)
            return done ? (long)done : -1;
        done += (unsigned long)put;
    }
    return (long)done;
}

int cxFileSeek(int handle, long offset, int origin)
{
    if (!cxFileValid(handle))
        return -1;
    CxFileSlot *slot = &fileTable[handle];
    if (origin == CX_OS_SEEK_CUR) {
        /* Relative to the logical position, which lags the system's by the buffered bytes. */
        offset -= (long)(slot->bufferEnd - slot->bufferPos);
    }
    slot->bufferPos = slot->bufferEnd = 0;
    return cxOsSeek(slot->file, offset, origin) < 0 ? -1 : 0;
}

long cxFileTell(int handle)
{
    if (!cxFileValid(handle))
        return -1;
    CxFileSlot *slot = &fileTable[handle];
    long pos = cxOsSeek(slot->file, 0, CX_OS_SEEK_CUR);
    if (pos < 0)
        return -1;
    return pos - (long)(slot->bufferEnd - slot->bufferPos);
}

long cxFileSize(int handle)
{
    long here = cxFileTell(handle);
    if (here < 0)
        return -1;
    CxFileSlot *slot = &fileTable[handle];
    slot->bufferPos = slot->bufferEnd = 0;
    long size = cxOsSeek(slot->file, 0, CX_OS_SEEK_END);
    if (cxOsSeek(slot->file, here, CX_OS_SEEK_SET) < 0)
        return -1;
    return size;
}

int cxFileSetTime(int handle, uint32_t unixTime)
{
    if (!cxFileValid(handle))
        return -1;
    return cxOsSetModificationTime(fileTable[handle].file, unixTime) ? 0 : -1;
}
