#ifndef WINSIM_MODULE_RESOURCES_H
#define WINSIM_MODULE_RESOURCES_H

// Resources of a host program, served by winsim's FindResourceExA/LoadResource/LockResource/EnumResourceLanguagesA.
struct WinsimResource { unsigned short type; unsigned short name; unsigned short language; const unsigned char* data; unsigned int size; };
// The ELF section that holds a host program's version resource (the raw VS_VERSIONINFO
// bytes), where GetFileVersionInfoA finds it in the program's file.
#define WINSIM_VERSION_SECTION ".winsim_version"

struct WinsimResourceTable { const WinsimResource* entries; unsigned int count; };

#endif
