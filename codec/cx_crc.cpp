#include "cx_crc.h"

/* crcTable[0] is the classic 256-entry table; tables 1 to 7 extend it so that
   eight bytes are folded in per step (entry n of table k is the CRC register
   after n is followed by k zero bytes).  The decoder checks every stored byte,
   and byte-at-a-time updates would cost it a fifth of its speed.  The tables
   live in static storage, so building them cannot fail; "dropping" them only
   forces the next cxInit to rebuild them. */
static uint32_t crcTable[8][256];
static int crcTableReady;

void cxCrcBuildTable(void)
{
    if (crcTableReady)
        return;
    for (uint32_t n = 0; n < 256; n++) {
        uint32_t c = n;
        for (int k = 0; k < 8; k++)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        crcTable[0][n] = c;
    }
    for (int k = 1; k < 8; k++)
        for (uint32_t n = 0; n < 256; n++)
            crcTable[k][n] = (crcTable[k - 1][n] >> 8) ^ crcTable[0][crcTable[k - 1][n] & 0xFF];
    crcTableReady = 1;
}

void cxCrcDropTable(void)
{
    crcTableReady = 0;
}

int cxCrcTableReady(void)
{
    return crcTableReady;
}

uint32_t cxCrcUpdate(uint32_t crc, const unsigned char *bytes, size_t count)
{
    if (!crcTableReady)
        cxCrcBuildTable();
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        uint32_t low = crc ^ ((uint32_t)bytes[i] | (uint32_t)bytes[i + 1] << 8 | (uint32_t)bytes[i + 2] << 16 |
                              (uint32_t)bytes[i + 3] << 24);
        uint32_t high = (uint32_t)bytes[i + 4] | (uint32_t)bytes[i + 5] << 8 | (uint32_t)bytes[i + 6] << 16 |
                        (uint32_t)bytes[i + 7] << 24;
        crc = crcTable[7][low & 0xFF] ^ crcTable[6][(low >> 8) & 0xFF] ^ crcTable[5][(low >> 16) & 0xFF] ^
              crcTable[4][low >> 24] ^ crcTable[3][high & 0xFF] ^ crcTable[2][(high >> 8) & 0xFF] ^
              crcTable[1][(high >> 16) & 0xFF] ^ crcTable[0][high >> 24];
    }
    for (; i < count; i++)
        crc = (crc >> 8) ^ crcTable[0][(crc ^ bytes[i]) & 0xFF];
    return crc;
}

uint32_t cxCrc32(const unsigned char *bytes, size_t count)
{
    return ~cxCrcUpdate(CX_CRC_PRESET, bytes, count);
}
