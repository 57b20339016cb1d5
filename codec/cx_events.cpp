#include <string.h>

#include "cx_events.h"
#include "cx_os.h"

CxCallback cxEventCallback;
CxCallback cxOverwriteQuery;

int cxNotify(CxEntry *entry, int32_t code, int32_t lVal)
{
    if (!cxEventCallback)
        return 0;
    return (int16_t)cxEventCallback(entry, code, lVal);
}

int cxNotifyBlank(int32_t code, int32_t lVal)
{
    CxEntry blank;
    memset(&blank, 0, sizeof blank);
    cxNotify(&blank, code, lVal);
    return blank.action;
}

void *cxAllocHalving(unsigned long *count, unsigned long minimum)
{
    while (*count >= minimum) {
        void *block = cxOsAlloc(*count);
        if (block)
            return block;
        *count /= 2;
    }
    return 0;
}
