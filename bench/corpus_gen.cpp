// Writes the generated part of the benchmark corpus into a directory: inputs
// whose character is known and that every machine makes the same, beside the
// system files the benchmark script adds.
//
//   text.txt     2 MiB of English-like text: words of a fixed vocabulary, lines and paragraphs
//   blocks.txt   2 MiB of text made of 40 paragraphs (1 to 6 KiB) repeated in random order, each
//                copy numbered: matches of thousands of bytes whose first bytes recur nearby
//   log.txt      1 MiB of log lines: time stamps, repeated phrases, numbers
//   mixed.bin    300 KiB: code-like bytes, a text section, a zero-filled table, a run pattern
//   runs.bin     512 KiB: long runs and repeated records (matches far longer than 32 bytes)
//   random.bin   128 KiB of pseudo-random bytes (does not compress: stored)
//
// usage: corpus_gen DIR
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct Random {
    uint64_t state;
    uint32_t next()
    {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return (uint32_t)(state >> 33);
    }
    uint32_t below(uint32_t n) { return next() % n; }
};

const char *const kWords[] = {
    "the", "of", "and", "to", "in", "a", "is", "that", "for", "it", "as", "was", "with", "be", "by", "on",
    "not", "he", "this", "are", "or", "his", "from", "at", "which", "but", "have", "an", "had", "they",
    "you", "were", "their", "one", "all", "we", "can", "her", "has", "there", "been", "if", "more", "when",
    "will", "would", "who", "so", "no", "driver", "window", "archive", "compressed", "installer", "version",
    "restart", "registry", "machine", "directory", "temporary", "extraction", "signature", "every", "between",
    "through", "because", "without", "another", "something", "example", "function", "returns", "value",
};

void appendText(Bytes &out, Random &r, size_t bytes)
{
    size_t target = out.size() + bytes;
    size_t lineStart = out.size();
    bool sentenceStart = true;
    while (out.size() < target) {
        std::string word = kWords[r.below(sizeof kWords / sizeof kWords[0])];
        if (sentenceStart)
            word[0] = (char)(word[0] - 'a' + 'A');
        sentenceStart = false;
        out.insert(out.end(), word.begin(), word.end());
        uint32_t p = r.below(100);
        if (p < 8) {
            out.push_back('.');
            sentenceStart = true;
        } else if (p < 14) {
            out.push_back(',');
        }
        if (out.size() - lineStart > 64 + r.below(10)) {
            out.push_back('\n');
            if (r.below(12) == 0)
                out.push_back('\n');
            lineStart = out.size();
        } else {
            out.push_back(' ');
        }
    }
    out.resize(target);
}

void appendLog(Bytes &out, Random &r, size_t bytes)
{
    static const char *const kEvents[] = {"opened archive", "extracted entry", "compared version",
                                          "scheduled rename at restart", "wrote registry value",
                                          "deleted temporary file", "checked CRC-32"};
    size_t target = out.size() + bytes;
    unsigned seconds = 0;
    char line[160];
    while (out.size() < target) {
        seconds += r.below(3);
        int n = std::snprintf(line, sizeof line, "2026-12-07 %02u:%02u:%02u upgrade %04u: %s 0x%08X (%u bytes)\n",
                              8 + seconds / 3600 % 12, seconds / 60 % 60, seconds % 60, 100 + r.below(900),
                              kEvents[r.below(7)], r.below(4) ? 0u : r.next(), r.below(70000));
        out.insert(out.end(), line, line + n);
    }
    out.resize(target);
}

// Bytes with the statistics of machine code: a few frequent opcodes, short
// repeats, little-endian addresses that differ in their low bytes.
void appendCode(Bytes &out, Random &r, size_t bytes)
{
    static const uint8_t kOps[] = {0x8B, 0x89, 0x48, 0xE8, 0x83, 0xC3, 0x55, 0x5D, 0x0F, 0x85, 0x74, 0xFF, 0x00};
    size_t target = out.size() + bytes;
    uint32_t base = 0x401000;
    while (out.size() < target) {
        uint32_t k = r.below(10);
        if (k < 6) {
            out.push_back(kOps[r.below(sizeof kOps)]);
        } else if (k < 9) {
            uint32_t address = base + r.below(4096) * 4;
            for (int i = 0; i < 4; i++)
                out.push_back((uint8_t)(address >> (8 * i)));
        } else if (out.size() > 64) {
            size_t back = 1 + r.below(out.size() < 4000 ? (uint32_t)out.size() - 1 : 4000);
            size_t len = 3 + r.below(12);
            for (size_t i = 0; i < len; i++)
                out.push_back(out[out.size() - back]);
        }
    }
    out.resize(target);
}

bool writeFile(const std::string &path, const Bytes &data)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: corpus_gen DIR\n");
        return 2;
    }
    std::string dir = argv[1];
    Random r{20261207};

    Bytes text;
    appendText(text, r, 2u << 20);

    std::vector<Bytes> paragraphs(40);
    for (Bytes &p : paragraphs)
        appendText(p, r, 1024 + r.below(5 * 1024));
    Bytes blocks;
    for (unsigned copy = 1; blocks.size() < (2u << 20); copy++) {
        const Bytes &p = paragraphs[r.below(r.below(4) ? 3 : 40)];
        blocks.insert(blocks.end(), p.begin(), p.end());
        std::string number = "\n-- " + std::to_string(copy) + " --\n";
        blocks.insert(blocks.end(), number.begin(), number.end());
    }
    blocks.resize(2u << 20);

    Bytes log;
    appendLog(log, r, 1u << 20);

    Bytes mixed;
    appendCode(mixed, r, 160 * 1024);
    appendText(mixed, r, 60 * 1024);
    mixed.insert(mixed.end(), 40 * 1024, 0);
    for (size_t i = 0; mixed.size() < 300 * 1024; i++)
        mixed.push_back((uint8_t)(i % 7 == 0 ? r.below(256) : i / 64));

    Bytes runs;
    Bytes record;
    appendText(record, r, 700);
    while (runs.size() < 512 * 1024) {
        uint32_t k = r.below(4);
        if (k == 0)
            runs.insert(runs.end(), 100 + r.below(3000), (uint8_t)r.below(4));
        else if (k == 1)
            runs.insert(runs.end(), record.begin(), record.end());
        else if (k == 2)
            runs.insert(runs.end(), record.begin() + r.below(300), record.begin() + 300 + r.below(400));
        else
            appendCode(runs, r, 200 + r.below(800));
    }
    runs.resize(512 * 1024);

    Bytes random;
    while (random.size() < 128 * 1024)
        random.push_back((uint8_t)r.next());

    bool ok = writeFile(dir + "/text.txt", text) && writeFile(dir + "/blocks.txt", blocks) &&
              writeFile(dir + "/log.txt", log) &&
              writeFile(dir + "/mixed.bin", mixed) && writeFile(dir + "/runs.bin", runs) &&
              writeFile(dir + "/random.bin", random);
    if (!ok) {
        std::fprintf(stderr, "corpus_gen: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
