// Decoding a method 2 stream held in memory (the writer's self-check, tests, fuzzing, benchmarks).
#pragma once

#include <cstddef>
#include <cstdint>

// Decodes stream into out (outSize bytes); 0, or -13 for a corrupt stream, -3.
// crc, when given, receives the CRC-32 of the stored bytes the decoder took in.
int cxDecodeBuffer(const uint8_t *stream, size_t streamSize, uint8_t *out, size_t outSize, uint32_t *crc = nullptr);
