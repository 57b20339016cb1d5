#include <cstdio>
#include <cstring>
#include <string>

#include "../cx_archive.h"
#include "../cx_crc.h"
#include "../cx_events.h"
#include "../cx_files.h"
#include "../cx_format.h"
#include "../cx_header.h"
#include "../cx_match.h"
#include "../cx_os.h"
#include "compressor.h"
#include "cx_writer.h"
#include "memory_decode.h"

namespace {

struct PendingAdd {
    std::string path;        // as given: host paths keep their case
    std::string entryName;   // upper case, no directory
};

std::vector<PendingAdd> pendingAdds;
unsigned compressionLevel = cxw::kDefaultLevel;
int64_t fixedEntryTime = -1;

std::string lastComponent(const std::string &path)
{
    size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string upper(std::string text)
{
    for (char &c : text)
        if (c >= 'a' && c <= 'z')
            c = (char)(c - 'a' + 'A');
    return text;
}

bool readWholeFile(const char *path, std::vector<uint8_t> &data)
{
    CxOsFile file;
    if (cxOsOpen(path, CX_OS_READ, &file) != 0)
        return false;
    data.clear();
    uint8_t buffer[65536];
    long got;
    while ((got = cxOsRead(file, buffer, sizeof buffer)) > 0)
        data.insert(data.end(), buffer, buffer + got);
    cxOsClose(file);
    return got == 0;
}

uint32_t modeFor(const std::string &name, bool readOnly)
{
    // What the C runtime's stat reports on Windows: readable by all, writable
    // unless read-only, executable for program files.
    uint32_t mode = 0x8000 | 0x0124;
    if (!readOnly)
        mode |= 0x0092;
    size_t dot = name.find_last_of('.');
    std::string ext = dot == std::string::npos ? "" : upper(name.substr(dot));
    if (ext == ".EXE" || ext == ".COM" || ext == ".BAT" || ext == ".CMD")
        mode |= 0x0049;
    return mode;
}

bool matchesDelete(const CxEntry &entry)
{
    for (CxOperation *op = cxArchive.queue; op; op = op->next)
        if (op->type == CX_OP_DELETE && cxMatchName(op->pattern, entry.name))
            return true;
    return false;
}

bool replacedByAdd(const CxEntry &entry)
{
    for (const PendingAdd &add : pendingAdds)
        if (upper(entry.name) == add.entryName)
            return true;
    return false;
}

int copyBytes(int from, int to, long count)
{
    uint8_t buffer[8192];
    while (count > 0) {
        long piece = count < (long)sizeof buffer ? count : (long)sizeof buffer;
        if (cxFileRead(from, buffer, (unsigned long)piece) != piece)
            return CX_ERR_SHORT_READ;
        if (cxFileWrite(to, buffer, (unsigned long)piece) != piece)
            return CX_ERR_DISK_FULL;
        count -= piece;
    }
    return 0;
}

// Copies the entries that stay, byte for byte, to the temporary archive.
int keepEntries(CxEntry *record)
{
    int archive = cxArchive.handle;
    long size = cxFileSize(archive);
    cxFileSeek(archive, 0, 0);
    int header = cxFindFirst(record);
    while (header == 0) {
        long dataStart = cxFileTell(archive);
        long headerStart = dataStart - (long)(CX_FIXED_HEADER_SIZE + record->nameLength + CX_ATTRIBUTE_SIZE +
                                              record->extraLength);
        if (matchesDelete(*record) || replacedByAdd(*record)) {
            if (matchesDelete(*record))
                cxNotify(record, CX_EV_DELETING, 0);
            cxArchive.modified = 1;
        } else {
            cxFileSeek(archive, headerStart, 0);
            int result = copyBytes(archive, cxArchive.tempHandle, dataStart - headerStart + (long)record->compressedSize);
            if (result != 0)
                return result;
            cxFormatAttributes(record, cxArchive.lastAttributes);
        }
        cxFileSeek(archive, dataStart, 0);
        if (cxSkipData(record) != 0)
            return CX_ERR_BAD_HEADER;
        header = cxReadHeader(record);
    }
    // A new archive has nothing behind its prefix; anything else must end in
    // an end record, or entries would be lost by the rewrite.
    if (header == CX_ERR_END || (header == CX_ERR_NOT_FOUND && size <= cxArchive.firstEntry))
        return 0;
    return header;
}

struct AddProgress {
    CxEntry *record;
};

void reportAddProgress(void *context, size_t done)
{
    AddProgress *p = static_cast<AddProgress *>(context);
    cxNotify(p->record, CX_EV_ADD_PROGRESS, (int32_t)done);
}

int addEntry(CxEntry *record, const PendingAdd &add)
{
    memset(record, 0, sizeof *record);
    record->archiveHandle = cxArchive.handle;
    record->outputHandle = -1;
    snprintf(record->name, sizeof record->name, "%s", add.entryName.c_str());
    record->nameLength = (int32_t)strlen(record->name);
    cxNotify(record, CX_EV_ADDING, 0);

    uint32_t size = 0, mtime = 0;
    int readOnly = 0;
    std::vector<uint8_t> data;
    if (add.entryName.empty() || add.entryName.size() > CX_MAX_NAME_LENGTH ||
        !cxOsFileStatus(add.path.c_str(), &size, &mtime, &readOnly) || !readWholeFile(add.path.c_str(), data)) {
        cxNotify(record, CX_EV_ADD_FAILED, 0);
        return CX_ERR_OPEN;
    }
    AddProgress progress{record};
    CxStoredData stored = cxPrepareData(record->name, data.data(), data.size(), reportAddProgress, &progress);

    record->neededVersion = CX_NEEDED_VERSION;
    record->mtime = fixedEntryTime >= 0 ? (uint32_t)fixedEntryTime : mtime;
    record->mode = modeFor(add.entryName, readOnly != 0);
    record->compressedSize = (uint32_t)stored.bytes.size();
    record->uncompressedSize = (uint32_t)data.size();
    record->crc = cxCrc32(stored.bytes.data(), stored.bytes.size());
    record->method = stored.method;
    record->host = CX_HOST_CODEC;
    if (cxWriteHeader(cxArchive.tempHandle, record) != 0 ||
        cxFileWrite(cxArchive.tempHandle, stored.bytes.data(), stored.bytes.size()) != (long)stored.bytes.size()) {
        cxNotify(record, CX_ERR_DISK_FULL, 0);
        return CX_ERR_DISK_FULL;
    }
    cxArchive.modified = 1;
    cxNotify(record, CX_EV_ADDED, 0);
    return 0;
}

int runUpdates(CxEntry *record)
{
    int result = keepEntries(record);
    for (size_t i = 0; result == 0 && i < pendingAdds.size(); i++)
        result = addEntry(record, pendingAdds[i]);
    pendingAdds.clear();
    for (CxOperation *op = cxArchive.queue; op; op = op->next)
        if (op->type == CX_OP_ADD || op->type == CX_OP_DELETE)
            op->type = CX_OP_DONE;
    return result;
}

int queueUpdate(const char *pattern, int type)
{
    if (!pattern)
        return CX_ERR_ARGUMENT;
    if (!cxArchive.open)
        return CX_ERR_NOT_FOUND;
    if (cxArchive.readOnly)
        return CX_ERR_ARGUMENT;
    if (!cxArchive.queue)
        pendingAdds.clear();     // left over from an archive closed without cxProcess
    cxUpdateRoutine = runUpdates;
    return cxQueueOperation(pattern, "", type);
}

bool decodesTo(const std::vector<uint8_t> &stream, const uint8_t *data, size_t size)
{
    std::vector<uint8_t> back(size);
    return cxDecodeBuffer(stream.data(), stream.size(), back.data(), size) == 0 && memcmp(back.data(), data, size) == 0;
}

}  // namespace

void cxSetLevel(unsigned level)
{
    compressionLevel = level;
}

void cxSetEntryTime(int64_t seconds)
{
    fixedEntryTime = seconds;
}

int cxIsPackedName(const char *name)
{
    static const char *const packed[] = {".ARQ", ".ZIP", ".ZOO", ".ARC", ".ARJ", ".LBR", ".PAK", ".LZH", ".CAB"};
    const char *dot = strrchr(name, '.');
    if (!dot)
        return 0;
    std::string ext = upper(dot);
    for (const char *p : packed)
        if (ext == p)
            return 1;
    return 0;
}

CxStoredData cxPrepareData(const char *entryName, const uint8_t *data, size_t size,
                           void (*progress)(void *, size_t), void *context)
{
    if (!cxIsPackedName(entryName) && size > 0) {
        cxw::Progress report = nullptr;
        if (progress)
            report = [progress, context](size_t done) { progress(context, done); };
        std::vector<uint8_t> stream = cxw::compress(data, size, cxw::levelOptions(compressionLevel), report);
        // Kept only when smaller, and only when it decodes back to the data.
        if (stream.size() < size && decodesTo(stream, data, size))
            return {CX_METHOD_COMPRESSED, std::move(stream)};
    }
    return {CX_METHOD_STORED, std::vector<uint8_t>(data, data + size)};
}

int cxAdd(const char *path)
{
    if (!path || !*path)
        return CX_ERR_ARGUMENT;
    std::string name = upper(lastComponent(path));
    int result = queueUpdate(name.c_str(), CX_OP_ADD);
    if (result == 0)
        pendingAdds.push_back({path, name});
    return result;
}

int cxDelete(const char *pattern)
{
    if (pattern && cxCheckPattern(pattern) != 0)
        return CX_ERR_ARGUMENT;
    return queueUpdate(pattern, CX_OP_DELETE);
}
