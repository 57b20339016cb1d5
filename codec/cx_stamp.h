/* The release stamp: a 64-byte field in the installer's stub that the packer
 * fills when it appends the archive, so that the installer can tell its own
 * archive whole before it changes anything. All numbers little-endian.
 *
 *   0  16  marker, CX_STAMP_MARKER (the packer finds the field by it)
 *  16   4  product version, most significant half (major << 16 | minor)
 *  20   4  product version, least significant half (sub << 16 | build)
 *  24   4  file offset of the appended archive (its 12-byte header record)
 *  28   4  length of the appended archive, header record to end record
 *  32  32  SHA-256 of those bytes
 *
 * A stub that was never packed holds zeros after the marker. */
#ifndef CX_STAMP_H
#define CX_STAMP_H

#define CX_STAMP_MARKER "HALVINST-STAMP-1"

enum {
    CX_STAMP_MARKER_SIZE = 16,
    CX_STAMP_VERSION_MS = 16,
    CX_STAMP_VERSION_LS = 20,
    CX_STAMP_ARCHIVE_OFFSET = 24,
    CX_STAMP_ARCHIVE_SIZE = 28,
    CX_STAMP_DIGEST = 32,
    CX_STAMP_SIZE = 64
};

#endif
