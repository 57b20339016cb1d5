/*
 * The status word.
 *
 * It packs the status code (bits 31-20), the module number of the position
 * where it was recorded (bits 19-16) and that position's line (bits 15-0).
 * The first error recorded stays; progress codes 0 to 3 replace one another
 * until then.
 */
#ifndef HALVINST_STATUS_H
#define HALVINST_STATUS_H

#include <windows.h>

#include "log.h"

extern DWORD StatusWord;
extern DWORD StatusQualifier;

#define STATUS_CODE(word) ((DWORD)(word) >> 20)
#define STATUS_MODULE(word) (((DWORD)(word) >> 16) & 0xF)
#define STATUS_LINE(word) ((DWORD)(word) & 0xFFFF)

void RecordStatus(DWORD code, DWORD qualifier);
BOOL StatusIsError(void);
DWORD ErrorMessageId(DWORD status, DWORD qualifier);
/* Fills `format` (string 13 of a language) with the message and the four
 * fields of the error code; `out` holds FORMAT_BUFFER_SIZE bytes. */
int FormatErrorCode(LPSTR out, LPCSTR format, LPCSTR message, DWORD status, DWORD qualifier);
/* The module number of a source path ("install" 1 ... "journal" 6, others 0). */
DWORD ModuleNumber(const char *sourcePath);

#endif
