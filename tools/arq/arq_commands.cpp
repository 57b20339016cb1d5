#include "arq_commands.h"
#include "arq_stamp.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "arq_platform.h"
#include "arq_report.h"
#include "cx.h"
#include "cx_decoder.h"
#include "cx_files.h"
#include "cx_format.h"
#include "cx_os.h"
#include "cx_writer.h"
#include "memory_decode.h"

namespace {

// Runs one update (add or delete) on the archive: open for update, queue, process, close.
template <typename Queue>
int updateArchive(const std::string &archive, const char *operation, Queue queue)
{
    resetEventFailure();
    int result = cxOpenArchive(archive.c_str(), 0);
    if (result < 0)
        return reportFailure(archive, "open for update", result);
    result = queue();
    if (result >= 0)
        result = cxProcess();
    cxCloseArchive();
    if (lastEventFailure().code != 0)
        return reportFailure(lastEventFailure().name, operation, lastEventFailure().code);
    if (result < 0)
        return reportFailure(archive, operation, result);
    return 0;
}

// Walks the entries of an archive file (which may be a self-extracting one).
template <typename Visit>
int forEachEntry(const std::string &archive, Visit visit)
{
    int handle = cxOpenFile(archive.c_str(), CX_MODE_READ);
    if (handle < 0)
        return reportFailure(archive, "open", handle);
    CxEntry entry;
    std::memset(&entry, 0, sizeof entry);
    entry.archiveHandle = handle;
    entry.outputHandle = -1;
    int failures = 0;
    int result = cxFindFirst(&entry);
    while (result == 0) {
        failures += visit(entry);
        result = cxFindNext(&entry);
    }
    cxCloseFile(handle);
    if (result != CX_ERR_END)
        return reportFailure(archive, "read entry header", result);
    return failures ? 1 : 0;
}

std::string formatTime(uint32_t unixTime)
{
    time_t t = (time_t)unixTime;
    struct tm *utc = gmtime(&t);
    char text[32] = "?";
    if (utc)
        strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", utc);
    return text;
}


}  // namespace

int commandAdd(const std::string &archive, const std::vector<std::string> &files)
{
    return updateArchive(archive, "add", [&] {
        for (const std::string &file : files) {
            int result = cxAdd(file.c_str());
            if (result < 0)
                return result;
        }
        return 0;
    });
}

int commandDelete(const std::string &archive, const std::string &pattern)
{
    return updateArchive(archive, "delete", [&] { return cxDelete(pattern.c_str()); });
}

int commandList(const std::string &archive)
{
    std::printf("%-24s %10s %10s %6s %-6s %-8s %s\n", "name", "size", "stored", "ratio", "method", "crc",
                "modified (UTC)");
    uint64_t total = 0, stored = 0;
    int count = 0;
    int result = forEachEntry(archive, [&](const CxEntry &e) {
        double ratio = e.uncompressedSize ? 100.0 * e.compressedSize / e.uncompressedSize : 100.0;
        const char *method = e.method == CX_METHOD_STORED ? "stored" : e.method == CX_METHOD_COMPRESSED ? "packed" : "?";
        std::printf("%-24s %10u %10u %5.1f%% %-6s %08X %s\n", printableName(e.name).c_str(), e.uncompressedSize, e.compressedSize, ratio,
                    method, e.crc, formatTime(e.mtime).c_str());
        total += e.uncompressedSize;
        stored += e.compressedSize;
        count++;
        return 0;
    });
    std::printf("%d entries, %llu bytes, %llu stored\n", count, (unsigned long long)total, (unsigned long long)stored);
    return result;
}

// Decodes the entry's stored bytes without writing them anywhere: the CRC-32
// covers the stored bytes only, so sizes that disagree with the stream pass it.
// Leaves the archive where it was; 0 or the decoder's code.
static int checkStream(const CxEntry &e)
{
    if (e.method == CX_METHOD_STORED)
        return e.compressedSize == e.uncompressedSize ? 0 : CX_ERR_CORRUPT;
    if (e.method != CX_METHOD_COMPRESSED)
        return CX_ERR_NOT_SUPPORTED;
    long start = cxFileTell(e.archiveHandle);
    int handle = e.archiveHandle;
    auto read = [](void *context, unsigned char *buffer, unsigned long count) -> long {
        long got = cxFileRead(*static_cast<int *>(context), buffer, count);
        return got < 0 ? 0 : got;
    };
    static unsigned char window[CX_WINDOW_SIZE];
    int result = cxDecoderStart(read, &handle, e.compressedSize);
    for (uint32_t done = 0; result == 0 && done < e.uncompressedSize;) {
        uint32_t n = e.uncompressedSize - done < (uint32_t)CX_WINDOW_SIZE ? e.uncompressedSize - done
                                                                          : (uint32_t)CX_WINDOW_SIZE;
        result = cxDecode(window, n);
        done += n;
    }
    if (result == 0)
        result = cxDecoderFinish();
    cxFileSeek(e.archiveHandle, start, 0);
    return result;
}

int commandTest(const std::string &archive)
{
    resetEventFailure();
    int bad = 0;
    int result = forEachEntry(archive, [&](CxEntry &e) {
        int test = cxTestFile(&e);
        if (test == 0)
            test = checkStream(e);
        if (test < 0) {
            reportFailure(archive + ": " + e.name, "test", test);
            bad++;
            return 1;
        }
        std::printf("  ok %s\n", printableName(e.name).c_str());
        return 0;
    });
    return result || bad ? 1 : 0;
}

int commandSfx(const std::string &stub, const std::string &out, const std::vector<std::string> &files,
               const ProductVersion &version)
{
    // The entries are built as an archive of their own, then appended to the stub
    // behind the 12-byte archive header record.
    std::string payload = out + ".arq";
    cxOsDeleteFile(payload.c_str());
    int result = commandAdd(payload, files);
    if (result != 0)
        return result;

    uint32_t total = 0;
    forEachEntry(payload, [&](const CxEntry &e) {
        total += e.uncompressedSize;
        return 0;
    });

    CxOsFile target, source;
    if (cxOsOpen(out.c_str(), CX_OS_CREATE, &target) != 0) {
        cxOsDeleteFile(payload.c_str());
        return reportFailure(out, "create", CX_ERR_OPEN);
    }
    auto append = [&](const std::string &name) {
        if (cxOsOpen(name.c_str(), CX_OS_READ, &source) != 0)
            return false;
        unsigned char buffer[65536];
        long got;
        bool ok = true;
        while (ok && (got = cxOsRead(source, buffer, sizeof buffer)) > 0)
            ok = cxOsWrite(target, buffer, (unsigned long)got) == got;
        cxOsClose(source);
        return ok;
    };
    unsigned char record[CX_ARCHIVE_RECORD_SIZE];
    cxFormatArchiveRecord(total, record);
    bool ok = append(stub);
    if (!ok)
        reportFailure(stub, "read stub", CX_ERR_OPEN);
    ok = ok && cxOsWrite(target, record, sizeof record) == (long)sizeof record;
    ok = ok && append(payload);
    cxOsClose(target);
    cxOsDeleteFile(payload.c_str());
    if (!ok) {
        cxOsDeleteFile(out.c_str());
        return reportFailure(out, "write", CX_ERR_DISK_FULL);
    }
    long stubSize = 0;
    if (cxOsOpen(stub.c_str(), CX_OS_READ, &source) == 0) {
        stubSize = cxOsSeek(source, 0, CX_OS_SEEK_END);
        cxOsClose(source);
    }
    // The installer checks its archive against the digest in its stub's stamp.
    if (stubSize <= 0 || stampPackedFile(out, (uint64_t)stubSize, version) != 0) {
        cxOsDeleteFile(out.c_str());
        return 1;
    }
    if (stubSize + CX_ARCHIVE_RECORD_SIZE >= 400000)
        std::fprintf(stderr, "arq: %s: warning: the archive starts beyond 400000 bytes; the scan will not find it\n",
                     out.c_str());
    arqMarkExecutable(out.c_str());
    std::printf("%s: %u bytes in %zu files appended to %s\n", out.c_str(), total, files.size(), stub.c_str());
    return 0;
}
