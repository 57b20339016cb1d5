// arq: the archive tool.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "arq_commands.h"
#include "arq_platform.h"
#include "arq_report.h"
#include "compressor.h"
#include "cx.h"
#include "cx_writer.h"

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: arq a [-1..-5] ARCHIVE FILES...  add or replace files (level 1 fastest, 2 default,\n"
                 "                                      5 smallest)\n"
                 "       arq l ARCHIVE                 list entries\n"
                 "       arq t ARCHIVE                 test the entries: CRC-32, stream and sizes\n"
                 "       arq x ARCHIVE [PATTERN] [-o DIR]  extract (PATTERN defaults to *.*)\n"
                 "       arq d ARCHIVE PATTERN         delete entries\n"
                 "       arq sfx [--version A.B.C.D] STUB OUT FILES...\n"
                 "                                     write STUB, the archive header record and the files;\n"
                 "                                     a stub's release stamp gets the archive's place,\n"
                 "                                     length, SHA-256 and the product version\n"
                 "With SOURCE_DATE_EPOCH set, added entries get that time instead of their files'.\n");
    return 2;
}

int run(int argc, char **argv)
{
    if (argc < 3)
        return usage();
    std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "a" && args.size() >= 2) {
        if (args[0].size() == 2 && args[0][0] == '-') {
            char level = args[0][1];
            if (level < '0' + (int)cxw::kFastestLevel || level > '0' + (int)cxw::kBestLevel || args.size() < 3)
                return usage();
            cxSetLevel((unsigned)(level - '0'));
            args.erase(args.begin());
        }
        return commandAdd(args[0], {args.begin() + 1, args.end()});
    }
    if (command == "l" && args.size() == 1)
        return commandList(args[0]);
    if (command == "t" && args.size() == 1)
        return commandTest(args[0]);
    if (command == "d" && args.size() == 2)
        return commandDelete(args[0], args[1]);
    if (command == "sfx") {
        ProductVersion version;
        if (args.size() >= 2 && args[0] == "--version") {
            if (!parseProductVersion(args[1], version))
                return usage();
            args.erase(args.begin(), args.begin() + 2);
        }
        if (args.size() >= 3)
            return commandSfx(args[0], args[1], {args.begin() + 2, args.end()}, version);
        return usage();
    }
    if (command == "x") {
        std::string pattern = "*.*", directory;
        bool havePattern = false;
        for (size_t i = 1; i < args.size(); i++) {
            if (args[i] == "-o" && i + 1 < args.size())
                directory = args[++i];
            else if (!havePattern)
                pattern = args[i], havePattern = true;
            else
                return usage();
        }
        return commandExtract(args[0], pattern, directory);
    }
    return usage();
}

}  // namespace

// SOURCE_DATE_EPOCH, the reproducible-builds convention, gives every entry
// that time instead of its file's.
bool applySourceDateEpoch()
{
    const char *epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (!epoch || !*epoch)
        return true;
    char *end = nullptr;
    unsigned long long seconds = std::strtoull(epoch, &end, 10);
    if (*end || seconds > 0xFFFFFFFFull || *epoch == '-') {
        std::fprintf(stderr, "arq: SOURCE_DATE_EPOCH is not a time in seconds since 1970: %s\n", epoch);
        return false;
    }
    cxSetEntryTime((int64_t)seconds);
    return true;
}

int main(int argc, char **argv)
{
    if (!applySourceDateEpoch())
        return 2;
    cxInit();
    cxSetOption(CX_OPTION_EVENT_CALLBACK, (intptr_t)arqEvents);
    int status = run(argc, argv);
    cxDone();
    return status;
}
