// The release stamp of a packed installer (codec/cx_stamp.h): where its
// archive lies, how long it is, its SHA-256 and the product version.
#pragma once

#include <cstdint>
#include <string>

struct ProductVersion {
    bool given = false;
    uint32_t ms = 0, ls = 0;
};

// "A.B.C.D", four numbers from 0 to 65535; false on anything else.
bool parseProductVersion(const std::string &text, ProductVersion &version);

// Fills the stamp of the packed file `out`, whose stub is its first
// `stubSize` bytes and whose archive is all the rest. A stub without a stamp
// is left alone (0: nothing to do); one with two is refused. Returns 0, or 1
// after printing why.
int stampPackedFile(const std::string &out, uint64_t stubSize, const ProductVersion &version);
