// Compressed sizes of every level of our compressor against zlib's deflate at
// the matching level, with windowBits 13 (an 8192-byte window, the format's
// own), file by file; checks that each level is no larger than its zlib level
// and that a higher level is never larger than a lower one.
//
// usage: level_bench [--levels 12345] [--window-bits 9..15] FILES...
//   prints one line per file and level, then the totals; exits 1 when a check fails.
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "compressor.h"
#include "memory_decode.h"

namespace {

using Bytes = std::vector<uint8_t>;

// arq -1 .. -5 against zlib levels 1, 6 (both defaults: arq's is 2), 7, 8, 9.
constexpr int kZlibLevel[] = {0, 1, 6, 7, 8, 9};

Bytes readAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

int windowBits = 13;

size_t zlibSize(const Bytes &data, int level)
{
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return 0;
    Bytes out(deflateBound(&z, data.size()));
    z.next_in = const_cast<Bytes::value_type *>(data.data());
    z.avail_in = (uInt)data.size();
    z.next_out = out.data();
    z.avail_out = (uInt)out.size();
    deflate(&z, Z_FINISH);
    size_t size = z.total_out;
    deflateEnd(&z);
    return size;
}

std::string baseName(const std::string &path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int main(int argc, char **argv)
{
    std::vector<unsigned> levels;
    std::vector<std::string> files;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--levels") == 0 && i + 1 < argc) {
            for (const char *p = argv[++i]; *p; p++)
                if (*p >= '1' && *p <= '5')
                    levels.push_back((unsigned)(*p - '0'));
        } else if (std::strcmp(argv[i], "--window-bits") == 0 && i + 1 < argc) {
            windowBits = std::atoi(argv[++i]);   // 15: zlib's own 32 KiB window, for comparison
            if (windowBits < 9 || windowBits > 15)
                windowBits = 13;
        } else {
            files.push_back(argv[i]);
        }
    }
    if (levels.empty())
        levels = {1, 2, 3, 4, 5};
    if (files.empty()) {
        std::fprintf(stderr, "usage: level_bench [--levels 12345] [--window-bits 9..15] FILES...\n");
        return 2;
    }

    bool ok = true;
    std::vector<uint64_t> oursTotal(6), zlibTotal(6);
    uint64_t input = 0;
    std::printf("%-28s %9s %5s %10s %10s %7s  %s\n", "file", "bytes", "level", "ours", "zlib", "ratio", "checks");
    for (const std::string &file : files) {
        Bytes data = readAll(file);
        if (data.empty()) {
            std::fprintf(stderr, "level_bench: %s is empty or cannot be read\n", file.c_str());
            ok = false;
            continue;
        }
        input += data.size();
        size_t previous = 0;
        Bytes back(data.size());
        for (unsigned level : levels) {
            Bytes ours = cxw::compress(data.data(), data.size(), cxw::levelOptions(level));
            size_t theirs = zlibSize(data, kZlibLevel[level]);
            // An entry that does not shrink is stored: count what the archive would hold.
            size_t stored = ours.size() < data.size() ? ours.size() : data.size();
            oursTotal[level] += stored;
            zlibTotal[level] += theirs;
            std::string checks;
            if (cxDecodeBuffer(ours.data(), ours.size(), back.data(), back.size()) != 0 || back != data)
                checks += " DOES-NOT-DECODE";
            if (stored > theirs)
                checks += " LARGER-THAN-ZLIB";
            if (previous && stored > previous)
                checks += " LARGER-THAN-LOWER-LEVEL";
            if (!checks.empty())
                ok = false;
            previous = stored;
            std::printf("%-28s %9zu %3u/%-1d %10zu %10zu %7.4f %s\n", baseName(file).c_str(), data.size(), level,
                        kZlibLevel[level], stored, theirs, (double)stored / theirs, checks.empty() ? " ok" : checks.c_str());
            std::fflush(stdout);
        }
    }
    std::printf("\ntotal over %zu files, %llu bytes (zlib windowBits %d):\n", files.size(), (unsigned long long)input,
                windowBits);
    for (unsigned level : levels)
        std::printf("  arq -%u %10llu   zlib -%d %10llu   ratio %.4f\n", level, (unsigned long long)oursTotal[level],
                    kZlibLevel[level], (unsigned long long)zlibTotal[level],
                    (double)oursTotal[level] / zlibTotal[level]);
    std::printf("checks: %s\n", ok ? "every level no larger than its zlib level and than every lower level"
                                    : "FAILED (see the lines marked above)");
    return ok ? 0 : 1;
}
