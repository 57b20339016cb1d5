// Share modes between open file handles of every process on the machine.
// Each open is recorded in a table under the machine's state directory, so
// that a second process sees the first one's handles as Windows would.
#ifndef WINSIM_SHARING_H
#define WINSIM_SHARING_H

#include <windows.h>

#include <string>

namespace winsim {

// Records an open of `hostPath` with the given access and share mode. False
// when an open handle's share mode forbids it (or this one forbids theirs).
bool RegisterOpen(const std::string& hostPath, DWORD access, DWORD share, unsigned long& id);
void UnregisterOpen(unsigned long id);
// True when some handle holds the file open without FILE_SHARE_DELETE.
bool OpenWithoutDeleteSharing(const std::string& hostPath);
// The key under which a host file is recorded (its canonical path).
std::string ShareKey(const std::string& hostPath);

}  // namespace winsim

#endif
