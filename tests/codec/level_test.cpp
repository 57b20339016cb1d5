// The compression levels by size: a higher level never gives a larger stream
// than a lower one, every level decodes back, and the fastest level follows
// a repeated block to its end.
#include <gtest/gtest.h>

#include <string>

#include "codec_fixture.h"
#include "compressor.h"
#include "memory_decode.h"

namespace {

size_t compressedSize(const Bytes &data, unsigned level)
{
    Bytes stream = cxw::compress(data.data(), data.size(), cxw::levelOptions(level));
    Bytes back(data.size());
    EXPECT_EQ(0, cxDecodeBuffer(stream.data(), stream.size(), back.data(), back.size())) << "level " << level;
    EXPECT_TRUE(back == data) << "level " << level;
    return stream.size();
}

Bytes firstBytes(Bytes data, size_t count)
{
    data.resize(data.size() < count ? data.size() : count);
    return data;
}

// Paragraphs of a few KiB sent again and again, each copy numbered: the
// matches run for thousands of bytes while their first bytes recur nearby.
Bytes repeatedParagraphs(size_t size)
{
    Bytes paragraphs[3] = {textBytes(3000), textBytes(1500), textBytes(2500)};   // all three within the window
    for (size_t i = 0; i < paragraphs[1].size(); i += 50)
        paragraphs[1][i] = 'x';
    Bytes out;
    for (unsigned copy = 1; out.size() < size; copy++) {
        const Bytes &p = paragraphs[copy * 7 % 3];
        out.insert(out.end(), p.begin(), p.end());
        std::string number = "\n-- " + std::to_string(copy) + " --\n";
        out.insert(out.end(), number.begin(), number.end());
    }
    out.resize(size);
    return out;
}

// Text, code-like bytes, random bytes, zeros and a short repeated pattern in
// one input, as in an executable with resources.
Bytes mixedSections()
{
    Bytes out = firstBytes(executableLike(), 40000);
    Bytes text = textBytes(30000), noise = randomBytes(20000, 5);
    out.insert(out.end(), text.begin(), text.end());
    out.insert(out.end(), noise.begin(), noise.end());
    out.insert(out.end(), 15000, 0);
    for (size_t i = 0; i < 30000; i++)
        out.push_back((uint8_t)(i % 7 == 0 ? noise[i % noise.size()] : i / 64));
    return out;
}

TEST(Levels, AHigherLevelIsNeverLarger)
{
    const std::pair<const char *, Bytes> inputs[] = {
        {"text", textBytes(60000)},
        {"repeated paragraphs", repeatedParagraphs(80000)},
        {"mixed sections", mixedSections()},
        {"executable", firstBytes(executableLike(), 60000)},
        {"random", randomBytes(30000, 9)},
        {"small", textBytes(700)},
    };
    for (const auto &[what, data] : inputs) {
        size_t previous = 0;
        for (unsigned level = cxw::kFastestLevel; level <= cxw::kBestLevel; level++) {
            size_t size = compressedSize(data, level);
            if (previous) {
                EXPECT_LE(size, previous) << what << ": level " << level << " against level " << level - 1;
            }
            previous = size;
        }
    }
}

TEST(Levels, TheFastestLevelFollowsARepeatedBlockToItsEnd)
{
    // A copy is a few dozen longest matches; taking the nearest copies of its
    // first bytes instead, as short chains find them, costs twenty times as much.
    Bytes data = repeatedParagraphs(300000);
    EXPECT_LT(compressedSize(data, cxw::kFastestLevel), data.size() / 50);
    EXPECT_LT(compressedSize(data, cxw::kDefaultLevel), data.size() / 50);
}

TEST(Levels, AMatchIsCutWhereALongerOneStartsInsideIt)
{
    // Random runs R and five-byte keys q.  First each R, then q + R's first 15
    // bytes + other bytes; then q + all of R.  At the key the nearest match is
    // q + 15 bytes of R (20 bytes); five bytes later starts a match of all of
    // R, and the positions that one covers are not searched.  A parse that
    // takes the 20 bytes finds nothing after them and sends R as literals.
    Bytes data;
    for (uint32_t i = 0; i < 10; i++) {
        Bytes run = randomBytes(300, 100 + i), key = randomBytes(5, 200 + i), other = randomBytes(30, 300 + i);
        data.insert(data.end(), run.begin(), run.end());
        data.insert(data.end(), key.begin(), key.end());
        data.insert(data.end(), run.begin(), run.begin() + 15);
        data.insert(data.end(), other.begin(), other.end());
    }
    size_t fresh = data.size();
    for (uint32_t i = 0; i < 10; i++) {
        Bytes run = randomBytes(300, 100 + i), key = randomBytes(5, 200 + i);
        data.insert(data.end(), key.begin(), key.end());
        data.insert(data.end(), run.begin(), run.end());
    }
    // The second part is twenty matches: a few bytes each, not 300 literals.
    EXPECT_LT(compressedSize(data, cxw::kFastestLevel), fresh + 400);
}

}  // namespace
