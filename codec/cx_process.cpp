/* cxProcess: runs the queued operations over the open archive, entry by entry. */
#include <string.h>

#include "cx.h"
#include "cx_archive.h"
#include "cx_events.h"
#include "cx_extract_entry.h"
#include "cx_files.h"
#include "cx_header.h"
#include "cx_match.h"
#include "cx_os.h"
#include "cx_tempname.h"

static const char *lastComponent(const char *path)
{
    const char *last = path;
    for (const char *p = path; *p; p++)
        if (*p == '\\' || *p == ':' || *p == '/')
            last = p + 1;
    return last;
}

/* The part of a queued pattern that is matched against names. */
static const char *patternComponent(const char *pattern)
{
    if (pattern[0] && pattern[1] == ':')
        pattern += 2;
    while (*pattern == '.' || *pattern == '\\')
        pattern++;
    return lastComponent(pattern);
}

static CxOperation *firstMatchingOperation(const CxEntry *entry)
{
    const char *name = cxArchive.keepPaths ? lastComponent(entry->name) : entry->name;
    for (CxOperation *op = cxArchive.queue; op; op = op->next)
        if (cxMatchName(patternComponent(op->pattern), name))
            return op;
    return 0;
}

static int allOperationsDone(void)
{
    for (CxOperation *op = cxArchive.queue; op; op = op->next)
        if (op->type != CX_OP_DONE)
            return 0;
    return 1;
}

static int canReadAndWrite(const char *name)
{
    CxOsFile file;
    if (cxOsOpen(name, CX_OS_READ_WRITE, &file) != 0)
        return 0;
    cxOsClose(file);
    return 1;
}

static void makeDirectories(const char *path)
{
    char partial[CX_NAME_SIZE];
    for (size_t i = 1; path[i] && i < sizeof partial; i++) {
        if ((path[i] == '\\' || path[i] == '/') && path[i - 1] != ':') {
            memcpy(partial, path, i);
            partial[i] = 0;
            cxOsMakeDirectory(partial);
        }
    }
}

/* Sets the output path.  Returns 1 when the entry is to be extracted, 0 when
   it is passed over, or a negative code when its output path is unusable. */
static int prepareOutput(CxEntry *entry, const CxOperation *op)
{
    entry->outputHandle = -1;
    const char *tail = cxArchive.keepPaths ? entry->name : lastComponent(entry->name);
    size_t dirLength = strlen(op->directory);
    size_t tailLength = strlen(tail);
    /* A path cut to fit would write the entry under another name. */
    if (dirLength + tailLength > CX_MAX_OUTPUT_PATH) {
        cxNotify(entry, CX_ERR_ARGUMENT, 0);
        return CX_ERR_ARGUMENT;
    }
    char path[CX_NAME_SIZE];
    memcpy(path, op->directory, dirLength);
    memcpy(path + dirLength, tail, tailLength);
    path[dirLength + tailLength] = 0;
    memcpy(entry->name, path, dirLength + tailLength + 1);
    entry->nameLength = (int32_t)(dirLength + tailLength);

    if (cxNotify(entry, CX_EV_EXTRACTING, 0) != 0)
        return 0;
    /* The callback may have put a new path there; one without room for its end is refused. */
    if (!memchr(entry->name, 0, CX_MAX_OUTPUT_PATH + 1)) {
        entry->name[CX_NAME_SIZE - 1] = 0;
        cxNotify(entry, CX_ERR_ARGUMENT, 0);
        return CX_ERR_ARGUMENT;
    }

    if (cxOsFileExists(entry->name)) {
        if (!canReadAndWrite(entry->name)) {
            cxNotify(entry, CX_EV_OUTPUT_LOCKED, 0);
            if (!canReadAndWrite(entry->name)) {
                cxNotify(entry, CX_EV_OUTPUT_LOCKED, 1);
                return 0;
            }
        } else if (cxOverwriteQuery && (int16_t)cxOverwriteQuery(entry, 0, 0) == 0) {
            return 0;
        }
    }

    if (entry->flags & CX_FLAG_NOT_EXTRACTABLE) {
        cxNotify(entry, CX_EV_FLAGGED, 0);
        if (entry->flags & CX_FLAG_NOT_EXTRACTABLE) {
            cxNotify(entry, CX_ERR_NOT_EXTRACTABLE, 0);
            return 0;
        }
    }
    return 1;
}

static void releaseOutput(char *temp)
{
    cxArchive.processOutput = 0;
    cxOsFree(temp);
}

/* Extracts one entry through a temporary file; 0, 1 when passed over, or a
   negative code.  The output path receives a file only when the entry was
   written whole and checked. */
static int extractThroughTemp(CxEntry *entry)
{
    makeDirectories(entry->name);
    char *temp = cxMakeTempName(entry->name, "CX");
    cxArchive.processOutput = temp;
    int output = temp ? cxOpenFile(temp, CX_MODE_WRITE | CX_MODE_CREATE) : -1;
    if (output < 0) {
        /* Passing over in silence would leave the caller's file as it was and call it done. */
        releaseOutput(temp);
        cxNotify(entry, CX_ERR_NO_TEMP, 0);
        return CX_ERR_NO_TEMP;
    }
    entry->outputHandle = output;
    int result = cxExtractEntry(entry);
    cxCloseFile(output);
    entry->outputHandle = -1;
    if (result != 0) {
        cxOsDeleteFile(temp);
        releaseOutput(temp);
        return result;
    }
    cxOsDeleteFile(entry->name);
    if (!cxOsRenameFile(temp, entry->name)) {
        cxNotify(entry, CX_EV_RENAME_FAILED, 0);
        cxOsDeleteFile(temp);
        releaseOutput(temp);
        return CX_ERR_OPEN;
    }
    /* The time goes first: a file made read-only could not take it any more.
       A file with another time than the archive's is not the entry: the
       time is what later decides whether it needs replacing. */
    /* Through the file table, so that a fault in between leaves no handle
       open that cxDone could not close. */
    int stamped = cxOpenFile(entry->name, CX_MODE_READ | CX_MODE_WRITE);
    int timeSet = stamped >= 0 && cxFileSetTime(stamped, entry->mtime) == 0;
    if (stamped >= 0)
        cxCloseFile(stamped);
    if (!timeSet) {
        cxNotify(entry, CX_ERR_SET_TIME, 0);
        cxOsDeleteFile(entry->name);
        releaseOutput(temp);
        return CX_ERR_SET_TIME;
    }
    cxOsSetReadOnly(entry->name, (entry->mode & 0x0080) == 0);
    releaseOutput(temp);
    return 0;
}

static int finish(CxEntry *record, int result)
{
    cxNotify(record, CX_EV_PROCESS_END, 0);
    cxArchive.processRecord = 0;
    cxOsFree(record);
    return result;
}

int cxProcess(void)
{
    if (!cxArchive.open)
        return CX_ERR_NOT_FOUND;
    if (!cxFileValid(cxArchive.handle))
        return CX_ERR_HANDLE;
    if (!cxArchive.readOnly && !cxFileValid(cxArchive.tempHandle))
        return CX_ERR_NO_TEMP;

    CxEntry *record = (CxEntry *)cxOsAlloc(sizeof *record);
    if (!record)
        return CX_ERR_NO_MEMORY;
    memset(record, 0, sizeof *record);
    cxArchive.processRecord = record;
    record->outputHandle = -1;
    cxNotify(record, CX_EV_PROCESS_BEGIN, 0);
    record->action = CX_ACTION_GO_ON;

    if (!cxArchive.readOnly && cxUpdateRoutine) {
        record->archiveHandle = cxArchive.handle;
        int result = cxUpdateRoutine(record);
        if (result < 0)
            return finish(record, result);
    }

    record->archiveHandle = cxArchive.handle;
    cxFileSeek(cxArchive.handle, 0, 0);
    int header = allOperationsDone() ? CX_ERR_END : cxFindFirst(record);
    while (header == 0) {
        int consumed = 0;
        CxOperation *op = firstMatchingOperation(record);
        if (op && op->type == CX_OP_EXTRACT) {
            long dataStart = cxFileTell(cxArchive.handle);
            int prepared = prepareOutput(record, op);
            if (prepared < 0)
                return finish(record, CX_ERR_OPEN);
            if (prepared > 0) {
                int result = extractThroughTemp(record);
                if (result < 0)
                    return finish(record, CX_ERR_OPEN);
                consumed = result == 0;
            }
            if (!consumed)
                cxFileSeek(cxArchive.handle, dataStart, 0);
            if (!cxPatternHasWildcards(op->pattern))
                op->type = CX_OP_DONE;
        }
        if (!consumed)
            cxSkipData(record);
        if (record->action != 0 || allOperationsDone())
            break;
        header = cxReadHeader(record);
    }

    if (record->action != 0) {
        if (record->action != CX_ACTION_STOP && record->action != CX_ACTION_STOPPED_ON_ERROR)
            record->action = CX_ACTION_STOPPED_ON_ERROR;
        cxNotify(record, record->action, 0);
    }
    if (cxArchive.modified && cxFileValid(cxArchive.tempHandle))
        cxWriteEndRecord(cxArchive.tempHandle);
    cxArchive.open = 0;
    /* A damaged header ends the entries early; that must not read as success. */
    if (header != 0 && header != CX_ERR_END)
        return finish(record, header);
    return finish(record, CX_OK);
}
