// The host build's copy of conformance.rc: the same picture and string
// blocks, in type and LANGID order as a module's resource directory keeps
// them, handed to winsim.
#include <string>
#include <vector>

#include "own_strings.h"
#include "winsim/machine.h"
#include "winsim/module_resources.h"

namespace {

struct Block {
    unsigned short language, block, index;
    const char* text;
};

const Block kBlocks[] = {
    {0x0000, 1, 1, TEXT_ONE_NEUTRAL}, {0x0407, 1, 1, TEXT_ONE_DE_DE},   {0x0409, 1, 1, TEXT_ONE_EN_US},
    {0x0407, 2, 0, TEXT_TWO_DE_DE},   {0x0409, 2, 0, TEXT_TWO_EN_US},   {0x0407, 3, 0, TEXT_THREE_DE_DE},
    {0x0809, 4, 0, TEXT_FOUR_EN_GB},  {0x0C07, 4, 0, TEXT_FOUR_DE_AT},
};

// small.bmp without its 14-byte file header, as RT_BITMAP keeps it.
const unsigned char kSmallBitmap[] = {
    0x28, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 0x00, 0x18, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x24, 0x00, 0x00, 0x00, 0x13, 0x0B, 0x00, 0x00, 0x13, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC8, 0x3C, 0x00, 0xC8, 0x78, 0x00, 0xC8, 0xB4, 0x00, 0xC8, 0x00, 0x50,
    0xC8, 0x3C, 0x50, 0xC8, 0x78, 0x50, 0xC8, 0xB4, 0x50, 0xC8, 0x00, 0xA0, 0xC8, 0x3C, 0xA0, 0xC8, 0x78, 0xA0,
    0xC8, 0xB4, 0xA0, 0xC8};

// A string block: sixteen counted UTF-16 strings, one of them set.
std::vector<unsigned char> Encode(const Block& b) {
    std::vector<unsigned char> bytes;
    auto word = [&](unsigned w) {
        bytes.push_back(static_cast<unsigned char>(w & 0xFF));
        bytes.push_back(static_cast<unsigned char>(w >> 8));
    };
    std::string text = b.text;
    for (unsigned i = 0; i < 16; ++i) {
        if (i != b.index) {
            word(0);
            continue;
        }
        word(static_cast<unsigned>(text.size()));
        for (char c : text) word(static_cast<unsigned char>(c));
    }
    return bytes;
}

struct Table {
    std::vector<std::vector<unsigned char>> data;
    std::vector<WinsimResource> entries;
    WinsimResourceTable table{};
    Table() {
        for (const Block& b : kBlocks) data.push_back(Encode(b));
        entries.push_back({2, 1, 0x0409, kSmallBitmap, sizeof kSmallBitmap});
        for (size_t i = 0; i < data.size(); ++i)
            entries.push_back({6, kBlocks[i].block, kBlocks[i].language, data[i].data(),
                               static_cast<unsigned>(data[i].size())});
        table = {entries.data(), static_cast<unsigned>(entries.size())};
        winsim::SetModuleResources(&table);
    }
};

const Table registered;

}  // namespace
