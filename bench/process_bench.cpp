// The whole programs as a user runs them, file by file: `arq a` (default
// level) against `gzip -9 -c`, and `arq x` against `gzip -dc` writing the
// file, each run a process of its own.  Every child's CPU time (user +
// system, from wait4) is taken on its own; the runs are interleaved (arq,
// gzip, arq, gzip ...) and each file counts with the best of its rounds, so
// that a busy moment of a shared machine does not fall on one side only.
//
// usage: process_bench [--rounds N] ARQ FILES...
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Runs argv with stdout sent to outPath (or /dev/null); the child's CPU
// seconds, or -1 when it failed.
double runCpu(const std::vector<std::string> &argv, const std::string &outPath = "/dev/null")
{
    pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        int fd = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || dup2(fd, 1) < 0)
            _exit(127);
        std::vector<char *> args;
        for (const std::string &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage;
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::string baseName(const std::string &path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int main(int argc, char **argv)
{
    int rounds = 7;
    int i = 1;
    if (i + 1 < argc && std::strcmp(argv[i], "--rounds") == 0) {
        rounds = std::atoi(argv[i + 1]);
        i += 2;
    }
    if (argc - i < 2 || rounds < 1) {
        std::fprintf(stderr, "usage: process_bench [--rounds N] ARQ FILES...\n");
        return 2;
    }
    std::string arq = argv[i++];
    std::vector<std::string> files(argv + i, argv + argc);
    char pattern[] = "/tmp/process-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("process_bench: mkdtemp");
        return 1;
    }
    std::string work = pattern;
    std::string outDir = work + "/out";
    mkdir(outDir.c_str(), 0755);

    double sums[4] = {0, 0, 0, 0};   // arq a, gzip -9, arq x, gzip -d
    bool ok = true;
    std::printf("%-26s %8s %8s %7s   %8s %8s %7s   (ms CPU, best of %d)\n", "file", "arq a", "gzip -9", "ratio",
                "arq x", "gzip -d", "ratio", rounds);
    for (const std::string &file : files) {
        std::string name = baseName(file);
        std::string archive = work + "/" + name + ".arq", packed = work + "/" + name + ".gz";
        double best[4] = {1e30, 1e30, 1e30, 1e30};
        for (int round = 0; round < rounds && ok; round++) {
            unlink(archive.c_str());
            double t[4] = {runCpu({arq, "a", archive, file}), runCpu({"gzip", "-9", "-c", file}, packed),
                           runCpu({arq, "x", archive, "-o", outDir}), runCpu({"gzip", "-dc", packed}, outDir + "/" + name + ".gunzip")};
            for (int k = 0; k < 4; k++) {
                if (t[k] < 0) {
                    std::fprintf(stderr, "process_bench: a run on %s failed\n", file.c_str());
                    ok = false;
                }
                best[k] = std::min(best[k], t[k]);
            }
        }
        if (!ok)
            break;
        for (int k = 0; k < 4; k++)
            sums[k] += best[k];
        std::printf("%-26s %8.2f %8.2f %7.3f   %8.2f %8.2f %7.3f\n", name.c_str(), best[0] * 1e3, best[1] * 1e3,
                    best[0] / best[1], best[2] * 1e3, best[3] * 1e3, best[2] / best[3]);
        std::fflush(stdout);
    }
    std::string cleanup = "rm -rf '" + work + "'";
    if (std::system(cleanup.c_str()) != 0)
        std::fprintf(stderr, "process_bench: could not remove %s\n", work.c_str());
    if (!ok)
        return 1;
    std::printf("total %zu files: arq a / gzip -9 %.3f (%.1f / %.1f ms), arq x / gzip -dc %.3f (%.1f / %.1f ms)\n",
                files.size(), sums[0] / sums[1], sums[0] * 1e3, sums[1] * 1e3, sums[2] / sums[3], sums[2] * 1e3,
                sums[3] * 1e3);
    return 0;
}
