#include "arq_report.h"

#include <cstdio>
#include <unistd.h>

const char *describeResult(int result)
{
    switch (result) {
    case CX_ERR_OPEN: return "cannot open or extract";
    case CX_ERR_NO_MEMORY: return "out of memory";
    case CX_ERR_SCAN_OPEN: return "cannot open the file";
    case CX_ERR_NOT_FOUND: return "no archive found";
    case CX_ERR_BAD_HEADER: return "damaged entry header";
    case CX_ERR_CRC: return "CRC mismatch";
    case CX_ERR_HANDLE: return "cannot open the archive";
    case CX_ERR_VERSION: return "entry needs a newer codec";
    case CX_ERR_END: return "end of archive";
    case CX_ERR_ALREADY_OPEN: return "an archive is already open";
    case CX_ERR_SHORT_READ: return "archive ends early";
    case CX_ERR_CORRUPT: return "corrupt compressed data";
    case CX_ERR_ARGUMENT: return "invalid argument";
    case CX_ERR_NO_TEMP: return "cannot create a temporary file";
    case CX_ERR_SET_TIME: return "cannot set the file's time stamp";
    case CX_ERR_TABLE_FULL: return "too many open files";
    case CX_ERR_NOT_EXTRACTABLE: return "entry cannot be extracted";
    case CX_ERR_ABORTED: return "aborted";
    case CX_ERR_DISK_FULL: return "write failed (disk full?)";
    case CX_ERR_NO_SPACE: return "not enough free space";
    case CX_EV_OUTPUT_LOCKED: return "output file cannot be written";
    case CX_EV_RENAME_FAILED: return "cannot rename the temporary output";
    case CX_EV_ADD_FAILED: return "cannot read the file to add";
    default: return "failed";
    }
}

std::string printableName(const std::string &name)
{
    std::string out;
    for (unsigned char c : name) {
        if (c < 0x20 || c > 0x7E) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += (char)c;
        }
    }
    return out;
}

int reportFailure(const std::string &file, const char *operation, int result)
{
    std::fprintf(stderr, "arq: %s: %s failed (codec result %d: %s)\n", printableName(file).c_str(), operation, result,
                 describeResult(result));
    return 1;
}

EventFailure &lastEventFailure()
{
    static EventFailure failure;
    return failure;
}

void resetEventFailure()
{
    lastEventFailure() = EventFailure{};
}

namespace {

constexpr uint32_t kShowProgressFrom = 1u << 20;   // entries below 1 MiB finish in a moment

void showProgress(const CxEntry *entry, uint32_t done, uint32_t total)
{
    static const bool terminal = isatty(2);
    if (!terminal || total < kShowProgressFrom)
        return;
    std::fprintf(stderr, "\r  %s %3u%%", printableName(entry->name).c_str(), (unsigned)((uint64_t)done * 100 / total));
    if (done >= total)
        std::fputc('\n', stderr);
    std::fflush(stderr);
}

void fail(CxEntry *entry, int code)
{
    EventFailure &failure = lastEventFailure();
    if (failure.code == 0) {
        failure.code = code;
        failure.name = entry->name;
    }
    entry->action = CX_ACTION_STOP;
}

}  // namespace

int32_t arqEvents(CxEntry *entry, int32_t code, int32_t lVal)
{
    switch (code) {
    case CX_EV_ADD_PROGRESS:
    case CX_EV_PROGRESS:
        showProgress(entry, (uint32_t)lVal, entry->uncompressedSize);
        break;
    case CX_EV_ADDED:
        std::printf("  added %s\n", printableName(entry->name).c_str());
        break;
    case CX_EV_DELETING:
        std::printf("  deleted %s\n", printableName(entry->name).c_str());
        break;
    case CX_EV_WRITTEN:
        showProgress(entry, entry->uncompressedSize, entry->uncompressedSize);
        std::printf("  extracted %s\n", printableName(entry->name).c_str());
        break;
    case CX_EV_UNKNOWN_METHOD:
    case CX_EV_OUTPUT_LOCKED:
    case CX_EV_RENAME_FAILED:
    case CX_EV_ADD_FAILED:
        if (code != CX_EV_OUTPUT_LOCKED || lVal == 1)
            fail(entry, code);
        break;
    default:
        if (code < 0)
            fail(entry, code);
        break;
    }
    return 0;
}
