// Adding and deleting entries of an archive opened for update (cxOpenArchive
// without the read-only flag).  The operations are queued like cxExtract and
// carried out by cxProcess; cxCloseArchive then puts the rewritten archive in
// place of the old one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "../cx.h"

// Queues the file at path; the entry is named by the path's last component in
// upper case, and replaces an entry of that name.  0, -5 (no archive open),
// -14 (no path, or the archive is read-only), -3.
int cxAdd(const char *path);

// The compression level of the entries added from now on, 1 (fastest) to 5
// (smallest); 2 unless set. Values outside are taken as the nearest level.
void cxSetLevel(unsigned level);

// The modification time given to the entries added from now on in place of
// their files' own (seconds since 1970), so that an archive built twice from
// the same files is the same bytes; -1 (the default) keeps the files' times.
void cxSetEntryTime(int64_t seconds);

// Queues the deletion of the entries whose names match pattern.  0, -5, -14, -3.
int cxDelete(const char *pattern);

// What the writer stores for data under a name: the method and the stored bytes.
struct CxStoredData {
    uint32_t method;
    std::vector<uint8_t> bytes;
};
CxStoredData cxPrepareData(const char *entryName, const uint8_t *data, size_t size,
                           void (*progress)(void *, size_t), void *context);

// 1 when the name ends in an extension whose data is already compressed.
int cxIsPackedName(const char *name);
