#include "carried_set.h"

#include <filesystem>

#include "status.h"
#include "winmain.h"
#include "winsim/machine.h"

namespace {

const DWORD kAllPlatforms = FE_WIN9X | FE_NT4 | FE_W2K;

}  // namespace

void CarriedSet::Prepare(const std::string& profile) {
    Start(profile);
    MakeSet({Entry("halvinst.inf", "halvinst.inf", "halvinst", DIR_TEMP, FE_REGISTRY_SCRIPT | kAllPlatforms, 0),
             Entry("halvunin.exe", "halvunin.exe", "halvunin", DIR_SYSTEM32, FE_NO_VERSION | FE_NO_BACKUP | kAllPlatforms, 3),
             Entry("Halvik.vxd", "Halvik.vxd", "Halvik", DIR_DRIVERS, FE_REPLACE_NOW | FE_NEEDS_RESTART | FE_WIN9X, 1),
             Entry("Halvik.sys", "Halvik.sys", "Halvik", DIR_DRIVERS, FE_REPLACE_NOW | FE_NEEDS_RESTART | FE_NT4, 1),
             Entry("Halvik2k.sys", "Halvik.sys", "Halvik", DIR_DRIVERS, FE_REPLACE_NOW | FE_NEEDS_RESTART | FE_W2K, 1)},
            work_ + "/HALVINST.EXE");
    std::string drivers = GetDirectory(DIR_DRIVERS);
    driverPath_ = drivers + (IsWin95 ? "halvik.vxd" : "halvik.sys");
    carriedDriver_ = IsWin95 ? "HALVIK.VXD" : IsWinNT ? "HALVIK.SYS" : "HALVIK2K.SYS";
    Put(driverPath_, Payload(IsWin95 ? "HALVIK.VXD" : "variants/7.1.0.188/HALVIK.SYS"));
}

const std::string& CarriedSet::Archive() {
    if (archiveBytes_.empty()) {
        // Behind a stand-in for the executable image, as the installer carries it.
        archiveBytes_ = std::string(5000, 'S') + ReadHostFile(MakeArchive({{"HALVIK.SYS", Payload("HALVIK.SYS")},
                                                  {"HALVIK.VXD", Payload("HALVIK.VXD")},
                                                  {"HALVINST.INF", Payload("HALVINST.INF")},
                                                  {"HALVIK2K.SYS", Payload("HALVIK2K.SYS")},
                                                  {"HALVUNIN.EXE", Payload("HALVUNIN.EXE")}}));
    }
    return archiveBytes_;
}

unsigned CarriedSet::RunOver(const std::string& archive, bool forced) {
    WriteHostFile(archive_, archive);
    Restart();
    LogClose(FALSE);
    LogOpen("C:\\engine.log");
    RunFlags.forced = forced ? TRUE : FALSE;
    InstallSequence(&set_);
    RunFlags.forced = FALSE;
    return StatusWord >> 20;
}

std::string CarriedSet::MachineState() {
    std::string uninstaller = Host(std::string(GetDirectory(DIR_SYSTEM32)) + "halvunin.exe");
    return ReadHostFile(Host(driverPath_)) + "|" +
           (HostFileExists(uninstaller) ? ReadHostFile(uninstaller) : std::string("(no uninstaller)")) + "|" +
           RegistryText("HKEY_LOCAL_MACHINE");
}

bool CarriedSet::InstalledFilesArePayloads() {
    std::string uninstaller = Host(std::string(GetDirectory(DIR_SYSTEM32)) + "halvunin.exe");
    return ReadHostFile(Host(driverPath_)) == ReadHostFile(Payload(carriedDriver_)) &&
           HostFileExists(uninstaller) && ReadHostFile(uninstaller) == ReadHostFile(Payload("HALVUNIN.EXE"));
}
