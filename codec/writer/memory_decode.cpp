#include "memory_decode.h"

#include <cstring>

#include "../cx_decoder.h"

namespace {

struct MemoryInput {
    const uint8_t *data;
    size_t left;
};

long readMemory(void *context, unsigned char *buffer, unsigned long count)
{
    MemoryInput *in = static_cast<MemoryInput *>(context);
    size_t n = count < in->left ? count : in->left;
    memcpy(buffer, in->data, n);
    in->data += n;
    in->left -= n;
    return (long)n;
}

}  // namespace

int cxDecodeBuffer(const uint8_t *stream, size_t streamSize, uint8_t *out, size_t outSize, uint32_t *crc)
{
    MemoryInput in{stream, streamSize};
    int result = cxDecoderStart(readMemory, &in, (uint32_t)streamSize);
    // The window is the decoder's history: requests of 8192 bytes go through it.
    static unsigned char window[CX_WINDOW_SIZE];
    for (size_t done = 0; result == 0 && done < outSize;) {
        unsigned n = outSize - done < (size_t)CX_WINDOW_SIZE ? (unsigned)(outSize - done) : (unsigned)CX_WINDOW_SIZE;
        result = cxDecode(window, n);
        if (result == 0)
            memcpy(out + done, window, n);
        done += n;
    }
    if (result == 0)
        result = cxDecoderFinish();
    if (crc)
        *crc = cxDecoderCrc();
    return result;
}
