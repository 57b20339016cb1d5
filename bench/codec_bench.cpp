// Measures, on the same files in one run, the codec's decoder against zlib's
// inflate and its compressor at the default and the highest level against
// deflate at level 9 with windowBits 13 (an 8192-byte window, the same as
// ours).  Both decoders include their integrity check: CRC-32 of the stored
// bytes for us, Adler-32 for zlib.  Everything is timed in CPU time, so that
// other work on the machine does not count; decoding is interleaved file by
// file and each file counts with its best of several rounds.
//
// usage: codec_bench [--list] [FILES...]   (default: a sample of the wine64 PE files;
//        --list prints the files and stops)
#include <zlib.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "compressor.h"
#include "memory_decode.h"

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr const char *kDefaultCorpus = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows";
constexpr uintmax_t kSampleBytes = 24u << 20;      // enough to be stable, small enough for two cores
constexpr int kDecodeRounds = 9;

struct Sample {
    std::string name;
    Bytes data, ours, best, zlib;
};

double cpuSeconds()
{
    return (double)std::clock() / CLOCKS_PER_SEC;
}

// The calling thread's CPU time: decoding a file takes milliseconds, and
// other work on a shared machine must not count against either side.
double threadSeconds()
{
    struct timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return (double)t.tv_sec + t.tv_nsec / 1e9;
}


Bytes readAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Every seventh PE file of the corpus by name, up to kSampleBytes, none above 4 MiB.
std::vector<std::string> defaultFiles()
{
    std::vector<std::string> all;
    std::error_code error;
    for (const auto &f : fs::directory_iterator(kDefaultCorpus, error)) {
        std::string ext = f.path().extension().string();
        if (f.is_regular_file() && (ext == ".exe" || ext == ".dll") && f.file_size() <= (4u << 20))
            all.push_back(f.path().string());
    }
    std::sort(all.begin(), all.end());
    std::vector<std::string> chosen;
    uintmax_t total = 0;
    for (size_t i = 0; i < all.size() && total < kSampleBytes; i += 7) {
        chosen.push_back(all[i]);
        total += fs::file_size(all[i]);
    }
    return chosen;
}

Bytes zlibCompress(const Bytes &data)
{
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, 13, 8, Z_DEFAULT_STRATEGY);
    Bytes out(deflateBound(&z, data.size()));
    z.next_in = const_cast<Bytes::value_type *>(data.data());
    z.avail_in = (uInt)data.size();
    z.next_out = out.data();
    z.avail_out = (uInt)out.size();
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

bool zlibDecompress(const Bytes &stream, Bytes &out)
{
    z_stream z{};
    inflateInit2(&z, 13);
    z.next_in = const_cast<Bytes::value_type *>(stream.data());
    z.avail_in = (uInt)stream.size();
    z.next_out = out.data();
    z.avail_out = (uInt)out.size();
    int result = inflate(&z, Z_FINISH);
    inflateEnd(&z);
    return result == Z_STREAM_END && z.total_out == out.size();
}

}  // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> files(argv + 1, argv + argc);
    bool listOnly = !files.empty() && files[0] == "--list";
    if (listOnly)
        files.erase(files.begin());
    if (files.empty())
        files = defaultFiles();
    if (listOnly) {
        for (const std::string &file : files)
            std::printf("%s\n", file.c_str());
        return 0;
    }
    if (files.empty()) {
        std::fprintf(stderr, "codec_bench: no input files (and no %s)\n", kDefaultCorpus);
        return 2;
    }

    std::vector<Sample> samples;
    double oursCompress = 0, bestCompress = 0, zlibCompressTime = 0;
    uint64_t input = 0, oursSize = 0, bestSize = 0, zlibSize = 0;
    const cxw::CompressOptions defaultLevel = cxw::levelOptions(cxw::kDefaultLevel);
    const cxw::CompressOptions bestLevel = cxw::levelOptions(cxw::kBestLevel);
    for (const std::string &file : files) {
        Sample s{file, readAll(file), {}, {}, {}};
        if (s.data.empty())
            continue;
        double t0 = cpuSeconds();
        s.ours = cxw::compress(s.data.data(), s.data.size(), defaultLevel);
        double t1 = cpuSeconds();
        s.best = cxw::compress(s.data.data(), s.data.size(), bestLevel);
        double t2 = cpuSeconds();
        s.zlib = zlibCompress(s.data);
        double t3 = cpuSeconds();
        oursCompress += t1 - t0;
        bestCompress += t2 - t1;
        zlibCompressTime += t3 - t2;
        input += s.data.size();
        oursSize += s.ours.size();
        bestSize += s.best.size();
        zlibSize += s.zlib.size();
        samples.push_back(std::move(s));
        std::fprintf(stderr, "\r  compressed %zu of %zu files", samples.size(), files.size());
    }
    std::fprintf(stderr, "\n");

    // Decoding, interleaved: in every round each file is decoded by one side
    // and then at once by the other, the order changing from round to round;
    // each file counts with its best time of all rounds on either side, in the
    // thread's CPU time.  The figure is the ratio of the two sums.
    for (const Sample &s : samples) {
        Bytes out(s.data.size());
        if (cxDecodeBuffer(s.best.data(), s.best.size(), out.data(), out.size()) != 0 || out != s.data) {
            std::fprintf(stderr, "codec_bench: %s does not decode back from the highest level\n", s.name.c_str());
            return 1;
        }
    }
    std::vector<double> oursBest(samples.size(), 1e30), zlibBest(samples.size(), 1e30);
    Bytes out;
    for (int round = 0; round < kDecodeRounds; round++) {
        for (size_t i = 0; i < samples.size(); i++) {
            const Sample &s = samples[i];
            out.resize(s.data.size());
            for (int turn = 0; turn < 2; turn++) {
                bool oursNow = (turn == 0) == (round % 2 == 0);
                double t0 = threadSeconds();
                bool ok = oursNow ? cxDecodeBuffer(s.ours.data(), s.ours.size(), out.data(), out.size()) == 0
                                  : zlibDecompress(s.zlib, out);
                double t1 = threadSeconds();
                if (!ok || out != s.data) {
                    std::fprintf(stderr, "codec_bench: %s does not decode back (%s)\n", s.name.c_str(),
                                 oursNow ? "ours" : "zlib");
                    return 1;
                }
                double &best = oursNow ? oursBest[i] : zlibBest[i];
                best = std::min(best, t1 - t0);
            }
        }
        std::fprintf(stderr, "\r  decoding round %d of %d", round + 1, kDecodeRounds);
    }
    std::fprintf(stderr, "\n");
    double oursDecode = 0, zlibDecode = 0;
    for (size_t i = 0; i < samples.size(); i++) {
        oursDecode += oursBest[i];
        zlibDecode += zlibBest[i];
    }

    double mb = input / 1e6;
    std::printf("files: %zu, %.1f MB\n", samples.size(), mb);
    std::printf("%-28s %14s %14s %14s %10s %10s\n", "", "ours -2", "ours -5", "zlib -9 w13", "-2/zlib", "-5/zlib");
    std::printf("%-28s %14llu %14llu %14llu %10.4f %10.4f\n", "compressed bytes", (unsigned long long)oursSize,
                (unsigned long long)bestSize, (unsigned long long)zlibSize, (double)oursSize / zlibSize,
                (double)bestSize / zlibSize);
    std::printf("%-28s %14.4f %14.4f %14.4f\n", "compressed / original", (double)oursSize / input,
                (double)bestSize / input, (double)zlibSize / input);
    std::printf("%-28s %14.2f %14.2f %14.2f %10.3f %10.3f\n", "compression MB/s (CPU)", mb / oursCompress,
                mb / bestCompress, mb / zlibCompressTime, zlibCompressTime / oursCompress,
                zlibCompressTime / bestCompress);
    std::printf("%-28s %14.1f %14s %14.1f %10.3f\n", "decompression MB/s (CPU)", mb / oursDecode, "", mb / zlibDecode,
                zlibDecode / oursDecode);
    std::printf("decoding CPU time, ours / inflate: %.4f (best of %d interleaved rounds per file)\n",
                oursDecode / zlibDecode, kDecodeRounds);
    bool smaller = oursSize <= zlibSize && bestSize <= oursSize;
    bool fastEnough = oursDecode <= zlibDecode;
    std::printf("target: default level no larger than deflate -9 w13 %s\n", smaller ? "met" : "MISSED");
    std::printf("target: highest level at 0.95 of deflate -9 w13 ... %s (%.4f)\n",
                bestSize <= 0.95 * zlibSize ? "met" : "not reached", (double)bestSize / zlibSize);
    std::printf("target: decoding at least as fast as inflate ...... %s\n", fastEnough ? "met" : "MISSED");
    return smaller && fastEnough ? 0 : 1;
}
