/* Version resources of executable files (version.dll). Included by <windows.h>. */
#ifndef WINSIM_WIN_VERSION_H
#define WINSIM_WIN_VERSION_H

#define ERROR_BAD_EXE_FORMAT 193L
#define ERROR_RESOURCE_DATA_NOT_FOUND 1812L
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L
#define ERROR_RESOURCE_LANG_NOT_FOUND 1815L

typedef struct tagVS_FIXEDFILEINFO {
    DWORD dwSignature; /* 0xFEEF04BD */
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
} VS_FIXEDFILEINFO;

#define VS_FFI_SIGNATURE 0xFEEF04BDL
#define VS_FFI_STRUCVERSION 0x00010000L
#define VS_FFI_FILEFLAGSMASK 0x0000003FL

#define VOS_UNKNOWN 0x00000000L
#define VOS_DOS_WINDOWS32 0x00010004L
#define VOS_NT_WINDOWS32 0x00040004L
#define VOS__WINDOWS32 0x00000004L

#define VFT_UNKNOWN 0x00000000L
#define VFT_APP 0x00000001L
#define VFT_DLL 0x00000002L
#define VFT_DRV 0x00000003L
#define VFT_VXD 0x00000005L
#define VFT2_DRV_SYSTEM 0x00000007L

/*
 * The A calls read the resource of a 32- or 64-bit PE image. A file that is
 * no PE image or has no resources fails with ERROR_RESOURCE_DATA_NOT_FOUND,
 * one without a version resource with ERROR_RESOURCE_TYPE_NOT_FOUND, a PE
 * image whose headers or resource tree point outside the file with
 * ERROR_BAD_EXE_FORMAT, and a version resource whose blocks do not fit
 * together with ERROR_INVALID_DATA.
 */
WINBASEAPI DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR lptstrFilename, LPDWORD lpdwHandle);
WINBASEAPI BOOL WINAPI GetFileVersionInfoA(LPCSTR lptstrFilename, DWORD dwHandle, DWORD dwLen, LPVOID lpData);
WINBASEAPI BOOL WINAPI VerQueryValueA(LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID *lplpBuffer, UINT *puLen);

#endif
