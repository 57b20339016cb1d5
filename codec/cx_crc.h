/* CRC-32 (ISO 3309 / ITU-T V.42, reflected polynomial 0xEDB88320). */
#ifndef CX_CRC_H
#define CX_CRC_H

#include <stddef.h>
#include <stdint.h>

enum { CX_CRC_PRESET = 0xFFFFFFFFu };

/* Builds the shared 256-entry table unless it exists. */
void cxCrcBuildTable(void);
/* Forgets the table; the next build makes it again. */
void cxCrcDropTable(void);
int cxCrcTableReady(void);

/* Runs the register over the bytes; the caller presets it and complements the result. */
uint32_t cxCrcUpdate(uint32_t crc, const unsigned char *bytes, size_t count);

/* Preset, update and complement in one call. */
uint32_t cxCrc32(const unsigned char *bytes, size_t count);

#endif
