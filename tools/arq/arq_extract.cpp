// `arq x`: extracts every selected entry it can.  An entry that cannot be
// extracted is passed over and named at the end, and the command fails; the
// entries after it are still extracted.  The codec's cxProcess stops at the
// first entry whose extraction fails, so the archive is then processed again
// with the entries already dealt with declined when they are offered.
#include <cstdio>
#include <string>
#include <vector>

#include "arq_commands.h"
#include "arq_report.h"
#include "cx.h"

namespace {

struct Failure {
    std::string name;
    int code;
};

struct ExtractRun {
    std::string into;           // the output directory as the codec gets it
    unsigned offered = 0;       // entries offered for extraction in this pass
    unsigned dealtWith = 0;     // entries offered in earlier passes: declined now
    std::string current;        // output path of the entry being extracted
    bool currentFailed = false;
    std::vector<Failure> failures;
};

ExtractRun run;

void recordFailure(int code)
{
    if (run.currentFailed)
        return;     // the first report of an entry names its failure
    run.currentFailed = true;
    std::string name = run.current;
    if (name.compare(0, run.into.size(), run.into) == 0)
        name.erase(0, run.into.size());
    run.failures.push_back({name, code});
}

bool isFailure(int32_t code, int32_t lVal)
{
    switch (code) {
    case CX_EV_UNKNOWN_METHOD:
    case CX_EV_RENAME_FAILED:
        return true;
    case CX_EV_OUTPUT_LOCKED:
        return lVal == 1;
    default:
        return code < 0;
    }
}

int32_t extractEvents(CxEntry *entry, int32_t code, int32_t lVal)
{
    if (code == CX_EV_EXTRACTING) {
        if (run.offered++ < run.dealtWith)
            return 1;
        run.current = entry->name;
        run.currentFailed = false;
        return 0;
    }
    if (isFailure(code, lVal)) {
        recordFailure(code);
        return 0;   // the entry is passed over; the others go on
    }
    return arqEvents(entry, code, lVal);
}

}  // namespace

int commandExtract(const std::string &archive, const std::string &pattern, const std::string &directory)
{
    resetEventFailure();
    run = ExtractRun{};
    // '/' separates on both platforms; the codec would add '\', which a host path takes literally.
    std::string &into = run.into;
    into = directory;
    if (!into.empty() && into.back() != '/' && into.back() != '\\' && into.back() != ':')
        into += '/';
    cxSetOption(CX_OPTION_EVENT_CALLBACK, (intptr_t)extractEvents);
    int status = 0;
    for (;;) {
        int result = cxOpenArchive(archive.c_str(), CX_OPEN_READ_ONLY);
        if (result < 0) {
            status = reportFailure(archive, "open", result);
            break;
        }
        result = cxExtract(pattern.c_str(), into.c_str());
        if (result < 0) {
            cxCloseArchive();
            status = reportFailure(pattern, "select", result);
            break;
        }
        run.offered = 0;
        result = cxProcess();
        cxCloseArchive();
        if (result == CX_ERR_OPEN && run.offered > run.dealtWith) {
            // The last entry offered failed: go on with the ones after it.
            recordFailure(CX_ERR_OPEN);
            run.dealtWith = run.offered;
            continue;
        }
        if (result < 0)
            status = reportFailure(archive, "extract", result);
        break;
    }
    cxSetOption(CX_OPTION_EVENT_CALLBACK, (intptr_t)arqEvents);
    for (const Failure &failure : run.failures)
        reportFailure(run.into + failure.name, "extract", failure.code);
    if (!run.failures.empty()) {
        std::string names;
        for (const Failure &failure : run.failures)
            names += (names.empty() ? "" : ", ") + printableName(failure.name);
        std::fprintf(stderr, "arq: %s: %zu %s not extracted: %s\n", printableName(archive).c_str(),
                     run.failures.size(), run.failures.size() == 1 ? "entry" : "entries", names.c_str());
        status = 1;
    }
    return status;
}
