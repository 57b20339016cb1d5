/* The event and overwrite-query callbacks set by cxSetOption, and how the codec calls them. */
#ifndef CX_EVENTS_H
#define CX_EVENTS_H

#include "cx.h"

extern CxCallback cxEventCallback;
extern CxCallback cxOverwriteQuery;

/* Calls the event callback when one is set; the low 16 bits of its result, or 0. */
int cxNotify(CxEntry *entry, int32_t code, int32_t lVal);
/* The same with a record of zeros; returns that record's action afterwards. */
int cxNotifyBlank(int32_t code, int32_t lVal);

/* Allocates count bytes or, failing that, half as much, down to at least minimum. */
void *cxAllocHalving(unsigned long *count, unsigned long minimum);

#endif
