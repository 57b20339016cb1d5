#include "header_places.h"

#include "cx_sha256.h"
#include "cx_stamp.h"

uint32_t FieldValue(const std::string& archive, size_t offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(archive[offset + i]);
    return value;
}

std::vector<HeaderPlace> HeaderPlaces(const std::string& archive) {
    std::vector<HeaderPlace> places;
    size_t at = archive.find(std::string("gW\x04\x01", 4));
    while (at != std::string::npos && at + 8 <= archive.size()) {
        HeaderPlace place;
        size_t nameLength = static_cast<unsigned char>(archive[at + 6]) | static_cast<unsigned char>(archive[at + 7]) << 8;
        size_t attributes = at + 8 + nameLength;
        place.offset = at;
        place.length = 8 + nameLength + 33;
        place.compressedSize = attributes + 10;
        place.uncompressedSize = attributes + 14;
        place.name = archive.substr(at + 8, nameLength);
        places.push_back(place);
        if (nameLength == 0) break;
        at = attributes + 33 + FieldValue(archive, place.compressedSize);
    }
    return places;
}

void AddToField(std::string& archive, size_t offset, long delta) {
    uint32_t value = FieldValue(archive, offset) + static_cast<uint32_t>(delta);
    for (int i = 0; i < 4; ++i) archive[offset + i] = static_cast<char>(value >> (8 * i));
}

void FixEntryCrc(std::string& archive, const HeaderPlace& place) {
    uint32_t crc = 0xFFFFFFFF;
    size_t data = place.offset + place.length;
    for (size_t i = 0; i < FieldValue(archive, place.compressedSize); ++i) {
        crc ^= static_cast<unsigned char>(archive[data + i]);
        for (int bit = 0; bit < 8; ++bit) crc = crc >> 1 ^ (crc & 1 ? 0xEDB88320u : 0);
    }
    size_t field = place.compressedSize + 8;  // the CRC follows the two sizes
    AddToField(archive, field, static_cast<long>(~crc - FieldValue(archive, field)));
}

void Restamp(std::string& program) {
    size_t stamp = program.find(CX_STAMP_MARKER);
    if (stamp == std::string::npos) return;
    uint32_t offset = FieldValue(program, stamp + CX_STAMP_ARCHIVE_OFFSET);
    uint32_t size = FieldValue(program, stamp + CX_STAMP_ARCHIVE_SIZE);
    CxSha256 sha;
    cxSha256Begin(&sha);
    cxSha256Add(&sha, program.data() + offset, size);
    cxSha256End(&sha, reinterpret_cast<unsigned char*>(&program[stamp + CX_STAMP_DIGEST]));
}
