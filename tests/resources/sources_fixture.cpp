#include "sources_fixture.h"

#include <iconv.h>

const resgen::ResourceSources& TreeSources()
{
    static const resgen::ResourceSources sources = resgen::LoadSources(HALVINST_RESOURCE_SOURCES);
    return sources;
}

std::u16string TextOf(const resgen::StringTable& table, std::uint16_t id)
{
    const resgen::StringEntry* entry = table.Find(id);
    return entry ? entry->text : std::u16string();
}

std::vector<std::uint16_t> InstallerLanguages()
{
    return {0x0404, 0x0407, 0x0409, 0x040A, 0x040C, 0x0410, 0x0411, 0x0412, 0x0413, 0x0416, 0x041D, 0x041E, 0x0804};
}

bool Encode(const std::u16string& text, const char* codePage, std::string& out)
{
    iconv_t cd = iconv_open(codePage, "UTF-16LE");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    std::string in;
    for (const char16_t c : text)
        in += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    std::string buffer(text.size() * 4 + 4, '\0');
    char* inPtr = in.data();
    char* outPtr = buffer.data();
    std::size_t inLeft = in.size(), outLeft = buffer.size();
    const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    out.assign(buffer.data(), buffer.size() - outLeft);
    return ok;
}

std::string Utf8(const std::u16string& text)
{
    std::string out;
    Encode(text, "UTF-8", out);
    return out;
}
