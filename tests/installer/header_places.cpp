#include "header_places.h"

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
