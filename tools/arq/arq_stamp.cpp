#include "arq_stamp.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "cx_sha256.h"
#include "cx_stamp.h"

namespace {

void put32(std::vector<unsigned char> &bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

int refuse(const std::string &out, const char *why)
{
    std::fprintf(stderr, "arq: %s: %s\n", out.c_str(), why);
    return 1;
}

}  // namespace

bool parseProductVersion(const std::string &text, ProductVersion &version)
{
    unsigned parts[4];
    char tail;
    if (std::sscanf(text.c_str(), "%u.%u.%u.%u%c", &parts[0], &parts[1], &parts[2], &parts[3], &tail) != 4)
        return false;
    for (unsigned part : parts)
        if (part > 0xFFFF)
            return false;
    if (text.find_first_not_of("0123456789.") != std::string::npos)
        return false;
    version.given = true;
    version.ms = parts[0] << 16 | parts[1];
    version.ls = parts[2] << 16 | parts[3];
    return true;
}

int stampPackedFile(const std::string &out, uint64_t stubSize, const ProductVersion &version)
{
    std::ifstream in(out, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in || bytes.size() < stubSize)
        return refuse(out, "cannot read the packed file back to stamp it");
    in.close();

    const std::string marker = CX_STAMP_MARKER;
    auto stubEnd = bytes.begin() + static_cast<std::ptrdiff_t>(stubSize);
    auto found = std::search(bytes.begin(), stubEnd, marker.begin(), marker.end());
    if (found == stubEnd) {
        if (version.given)
            return refuse(out, "the stub has no release stamp to take the version");
        return 0;
    }
    size_t at = static_cast<size_t>(found - bytes.begin());
    if (std::search(found + 1, stubEnd, marker.begin(), marker.end()) != stubEnd)
        return refuse(out, "the stub holds two release stamps");
    if (at + CX_STAMP_SIZE > stubSize)
        return refuse(out, "the stub's release stamp is cut short");
    uint64_t archiveSize = bytes.size() - stubSize;
    if (stubSize > 0xFFFFFFFFu || archiveSize > 0xFFFFFFFFu)
        return refuse(out, "too large for the release stamp");

    CxSha256 sha;
    cxSha256Begin(&sha);
    cxSha256Add(&sha, bytes.data() + stubSize, static_cast<unsigned long>(archiveSize));
    unsigned char digest[CX_SHA256_SIZE];
    cxSha256End(&sha, digest);

    std::vector<unsigned char> stamp(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                     bytes.begin() + static_cast<std::ptrdiff_t>(at + CX_STAMP_SIZE));
    if (version.given) {
        put32(stamp, CX_STAMP_VERSION_MS, version.ms);
        put32(stamp, CX_STAMP_VERSION_LS, version.ls);
    }
    put32(stamp, CX_STAMP_ARCHIVE_OFFSET, static_cast<uint32_t>(stubSize));
    put32(stamp, CX_STAMP_ARCHIVE_SIZE, static_cast<uint32_t>(archiveSize));
    std::copy(digest, digest + CX_SHA256_SIZE, stamp.begin() + CX_STAMP_DIGEST);

    std::fstream file(out, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(static_cast<std::streamoff>(at));
    file.write(reinterpret_cast<const char *>(stamp.data()), static_cast<std::streamsize>(stamp.size()));
    file.close();
    if (!file)
        return refuse(out, "cannot write the release stamp");
    return 0;
}
