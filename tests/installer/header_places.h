// Where each entry's header lies in an archive (or in a program that carries
// one), for tests that damage its fields or its data.
#ifndef TESTS_HEADER_PLACES_H
#define TESTS_HEADER_PLACES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// An entry's header: its offset, its length, the offsets of its two size
// fields and its name; the entry's stored bytes follow the header.
struct HeaderPlace {
    size_t offset = 0;
    size_t length = 0;
    size_t compressedSize = 0;
    size_t uncompressedSize = 0;
    std::string name;
};
std::vector<HeaderPlace> HeaderPlaces(const std::string& archive);
// The little-endian 32-bit field at `offset`, and the same field moved by `delta`.
uint32_t FieldValue(const std::string& archive, size_t offset);
void AddToField(std::string& archive, size_t offset, long delta);

// The stored bytes of an entry get their CRC-32 recomputed, as someone who
// changed them on purpose would do.
void FixEntryCrc(std::string& archive, const HeaderPlace& place);
// A packed installer's release stamp gets the SHA-256 of the archive as it
// now is, so that a test can reach the checks behind the setup's own.
void Restamp(std::string& program);

#endif
