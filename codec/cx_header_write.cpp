/* Writing entry headers and the end record (archives opened for update). */
#include <string.h>

#include "cx_archive.h"
#include "cx_files.h"
#include "cx_format.h"

int cxWriteHeader(int handle, CxEntry *entry)
{
    cxStoreName(entry->name);
    size_t nameLength = strlen(entry->name);
    unsigned char fixed[CX_FIXED_HEADER_SIZE];
    memcpy(fixed, cxEntrySignature, 4);
    fixed[4] = CX_WRITER_VERSION;
    fixed[5] = (unsigned char)(entry->neededVersion ? entry->neededVersion : CX_WRITER_VERSION);
    cxPut16(fixed + 6, (uint32_t)nameLength);
    unsigned char block[CX_ATTRIBUTE_SIZE];
    cxFormatAttributes(entry, block);
    int ok = nameLength <= CX_MAX_NAME_LENGTH && cxFileWrite(handle, fixed, sizeof fixed) == (long)sizeof fixed &&
             cxFileWrite(handle, entry->name, nameLength) == (long)nameLength &&
             cxFileWrite(handle, block, sizeof block) == (long)sizeof block;
    cxPresentName(entry->name, entry->host);
    entry->nameLength = (int32_t)nameLength;
    memcpy(cxArchive.lastAttributes, block, sizeof block);
    return ok ? 0 : -1;
}

int cxWriteEndRecord(int handle)
{
    unsigned char fixed[CX_FIXED_HEADER_SIZE];
    memcpy(fixed, cxEntrySignature, 4);
    fixed[4] = CX_WRITER_VERSION;
    fixed[5] = CX_NEEDED_VERSION;
    cxPut16(fixed + 6, 0);
    int ok = cxFileWrite(handle, fixed, sizeof fixed) == (long)sizeof fixed &&
             cxFileWrite(handle, cxArchive.lastAttributes, CX_ATTRIBUTE_SIZE) == CX_ATTRIBUTE_SIZE;
    return ok ? 0 : -1;
}
