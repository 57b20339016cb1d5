#include "resource_bytes.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "winsim/module_resources.h"

extern "C" const WinsimResourceTable halvinstResources;

std::uint16_t U16At(const Bytes& bytes, std::size_t offset)
{
    if (offset + 2 > bytes.size())
        throw std::out_of_range("16-bit field past the end");
    return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

std::uint32_t U32At(const Bytes& bytes, std::size_t offset)
{
    return U16At(bytes, offset) | static_cast<std::uint32_t>(U16At(bytes, offset + 2)) << 16;
}

std::vector<std::pair<ResourceKey, Bytes>> HostTableInOrder()
{
    std::vector<std::pair<ResourceKey, Bytes>> table;
    for (unsigned i = 0; i < halvinstResources.count; ++i) {
        const WinsimResource& r = halvinstResources.entries[i];
        table.push_back({{r.type, r.name, r.language}, Bytes(r.data, r.data + r.size)});
    }
    return table;
}

std::map<ResourceKey, Bytes> HostResources()
{
    const auto table = HostTableInOrder();
    return {table.begin(), table.end()};
}

std::map<ResourceKey, Bytes> ReadResFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::map<ResourceKey, Bytes> resources;
    for (std::size_t at = 0; at + 8 <= file.size();) {
        const std::uint32_t dataSize = U32At(file, at), headerSize = U32At(file, at + 4);
        // TYPE and NAME: 0xFFFF and a number, or a NUL-terminated UTF-16 name.
        std::size_t field = at + 8;
        std::uint16_t ids[2] = {0, 0};
        for (std::uint16_t& id : ids) {
            if (U16At(file, field) == 0xFFFF) {
                id = U16At(file, field + 2);
                field += 4;
            } else {
                while (U16At(file, field) != 0)
                    field += 2;
                field += 2;
            }
        }
        field = (field + 3) & ~std::size_t{3};
        const std::uint16_t language = U16At(file, field + 6);  // after DataVersion and MemoryFlags
        const std::size_t data = at + headerSize;
        if (data + dataSize > file.size())
            throw std::runtime_error(path + ": resource data past the end of the file");
        if (ids[0] != 0 && ids[1] != 0)  // not the empty leading entry, not a named resource
            resources[{ids[0], ids[1], language}] = Bytes(file.begin() + data, file.begin() + data + dataSize);
        at = (data + dataSize + 3) & ~std::size_t{3};
    }
    return resources;
}

std::vector<std::u16string> DecodeStringBlock(const Bytes& block)
{
    std::vector<std::u16string> strings(16);
    std::size_t at = 0;
    for (std::u16string& text : strings) {
        const std::uint16_t length = U16At(block, at);
        for (at += 2; text.size() < length; at += 2)
            text += static_cast<char16_t>(U16At(block, at));
    }
    if (at != block.size())
        throw std::runtime_error("bytes after the 16th string of a block");
    return strings;
}
