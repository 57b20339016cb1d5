// Drive types and free space, from the machine's profile.
#include <cctype>
#include <cstring>

#include "machine/faults.h"
#include "machine/machine_state.h"

namespace {

const winsim::DriveInfo* DriveOfRoot(LPCSTR root) {
    if (!root || !std::isalpha(static_cast<unsigned char>(root[0])) || root[1] != ':') return nullptr;
    if (root[2] != '\0' && !((root[2] == '\\' || root[2] == '/') && root[3] == '\0')) return nullptr;
    return winsim::FindDrive(root[0]);
}

}  // namespace

extern "C" UINT WINAPI GetDriveTypeA(LPCSTR root) {
    if (winsim::FailsHere("GetDriveTypeA", false)) return DRIVE_UNKNOWN;
    const winsim::DriveInfo* drive = DriveOfRoot(root);
    if (!drive) return DRIVE_NO_ROOT_DIR;
    if (drive->type == "cdrom") return DRIVE_CDROM;
    if (drive->type == "remote") return DRIVE_REMOTE;
    if (drive->type == "removable") return DRIVE_REMOVABLE;
    return DRIVE_FIXED;
}

extern "C" BOOL WINAPI GetDiskFreeSpaceA(LPCSTR root, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector,
                                         LPDWORD freeClusters, LPDWORD totalClusters) {
    if (winsim::FailsHere("GetDiskFreeSpaceA", false)) return FALSE;
    const winsim::DriveInfo* drive = DriveOfRoot(root);
    if (!drive) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    // 4 KiB clusters; counts beyond 32 bits are clipped, as the old call does.
    auto clusters = [](unsigned long long bytes) {
        unsigned long long n = bytes / 4096;
        return static_cast<DWORD>(n > 0xFFFFFFFFull ? 0xFFFFFFFFull : n);
    };
    if (sectorsPerCluster) *sectorsPerCluster = 8;
    if (bytesPerSector) *bytesPerSector = 512;
    if (freeClusters) *freeClusters = clusters(drive->freeBytes);
    if (totalClusters) *totalClusters = clusters(drive->totalBytes);
    return TRUE;
}
