// arq: the archive tool.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "arq_commands.h"
#include "arq_machine.h"
#include "arq_report.h"
#include "cx.h"

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: arq a ARCHIVE FILES...        add or replace files\n"
                 "       arq l ARCHIVE                 list entries\n"
                 "       arq t ARCHIVE                 test the entries: CRC-32, stream and sizes\n"
                 "       arq x ARCHIVE [PATTERN] [-o DIR]  extract (PATTERN defaults to *.*)\n"
                 "       arq d ARCHIVE PATTERN         delete entries\n"
                 "       arq sfx STUB OUT FILES...     write STUB, the archive header record and the files\n");
    return 2;
}

int run(int argc, char **argv)
{
    if (argc < 3)
        return usage();
    std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "a" && args.size() >= 2)
        return commandAdd(args[0], {args.begin() + 1, args.end()});
    if (command == "l" && args.size() == 1)
        return commandList(args[0]);
    if (command == "t" && args.size() == 1)
        return commandTest(args[0]);
    if (command == "d" && args.size() == 2)
        return commandDelete(args[0], args[1]);
    if (command == "sfx" && args.size() >= 3)
        return commandSfx(args[0], args[1], {args.begin() + 2, args.end()});
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

int main(int argc, char **argv)
{
    arqAttachMachine();
    cxInit();
    cxSetOption(CX_OPTION_EVENT_CALLBACK, (intptr_t)arqEvents);
    int status = run(argc, argv);
    cxDone();
    arqReleaseMachine();
    return status;
}
