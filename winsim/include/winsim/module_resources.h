#ifndef WINSIM_MODULE_RESOURCES_H
#define WINSIM_MODULE_RESOURCES_H

// Resources of a host program, served by winsim's FindResourceExA/LoadResource/LockResource/EnumResourceLanguagesA.
struct WinsimResource { unsigned short type; unsigned short name; unsigned short language; const unsigned char* data; unsigned int size; };
struct WinsimResourceTable { const WinsimResource* entries; unsigned int count; };

#endif
