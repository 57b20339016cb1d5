// The host-side interface of winsim for tools and tests: creating simulated
// machines and attaching the current process to one. Installer code never
// includes this; it sees only <windows.h>.
#ifndef WINSIM_MACHINE_H
#define WINSIM_MACHINE_H

#include <cstdint>
#include <string>
#include <vector>

namespace winsim {

struct DriveInfo {
    char letter = 'C';
    std::string type = "fixed";  // fixed, cdrom, remote, removable
    uint64_t freeBytes = 0;
    uint64_t totalBytes = 0;
};

// Everything a machine's Windows reports about itself; stored in machine.ini.
struct Profile {
    std::string name;
    int platformId = 2;  // 0 Win32s, 1 Windows 95 family, 2 NT family
    int major = 5, minor = 1, build = 2600;
    std::string csdVersion;
    unsigned langId = 0x0409;
    unsigned codePage = 1252;     // ANSI code page (GetACP)
    unsigned oemCodePage = 437;   // OEM code page (GetOEMCP)
    // The installed locales (LANGIDs), for IsValidLocale(LCID_INSTALLED);
    // empty: those a fresh Windows of langId has (SetMachineLanguage).
    std::vector<unsigned> locales;
    bool admin = true;
    std::string cpuVendor = "GenuineIntel";
    int screenWidth = 1024, screenHeight = 768;
    std::string windowsDir;  // as GetWindowsDirectoryA spells it
    std::string systemDir;   // as GetSystemDirectoryA spells it
    std::string tempPath;    // as GetTempPathA reports it, with trailing backslash
    std::string userName = "Administrator";
    bool refuseRestart = false;       // ExitWindowsEx is refused (an application vetoes it)
    bool shutdownPrivilege = true;    // the user holds SeShutdownPrivilege (NT family)
    int extraGroups = 0;              // further groups in the user's token, after the usual ones
    std::vector<DriveInfo> drives;
};

struct CreateOptions {
    unsigned langId = 0;       // 0 keeps the profile's language (US English)
    bool plainUser = false;    // a user without administrator rights
};

// Makes `profile` a Windows of `language` (a LANGID): the user's language,
// the ANSI and OEM code pages and the installed locales that follow from it.
// False with `error` for a language winsim does not know.
bool SetMachineLanguage(Profile& profile, unsigned language, std::string& error);
// The LANGID of a locale name ("ja-JP") or number ("0x0411"); 0 when unknown.
unsigned LanguageOfName(const std::string& name);

// Names of the built-in profiles, in a stable order.
std::vector<std::string> ProfileNames();
// Fills `out` with the named built-in profile; false for an unknown name.
bool BuiltinProfile(const std::string& name, Profile& out);

// Creates a fresh machine directory (which must not exist or be empty).
// On failure returns false and sets `error`.
bool CreateMachine(const std::string& dir, const std::string& profile, const CreateOptions& options,
                   std::string& error);

// Attaches this process to the machine in `dir` (as WINSIM_MACHINE would).
// Returns false with `error` set when the directory holds no machine.
bool UseMachine(const std::string& dir, std::string& error);
// The attached machine's directory, or empty when none is attached.
std::string MachineDir();
const Profile& CurrentProfile();

// Maps a Windows path of the attached machine to the host path (resolving
// names case-insensitively and through 8.3 aliases); a path without a drive
// letter is returned unchanged.
std::string HostPath(const std::string& windowsPath);
// The Windows spelling of a host path: inside a drive folder of the machine
// it gets that drive's letter, anywhere else drive Z: (the host's root).
std::string WindowsPath(const std::string& hostPath);

// The registry of a machine as REGEDIT4 text: the whole registry, or the
// subtree of `key` (for example "HKEY_LOCAL_MACHINE\\SOFTWARE\\Talven").
// Returns false with `error` when the key does not exist.
bool ExportRegistry(const std::string& dir, const std::string& key, std::string& text, std::string& error);

// Fault injection for tests, in the syntax of WINSIM_FAIL ("Api:N:code;...").
// Replaces any list read from the environment and resets the call counters.
bool SetFaults(const std::string& list, std::string& error);

}  // namespace winsim

struct WinsimResourceTable;

namespace winsim {

// The resources of the running program (a WinMain program's start registers
// its own table when it has one).
void SetModuleResources(const WinsimResourceTable* table);

// Program identity used by GetModuleFileNameA when no WINSIM_PROGRAM is set.
void SetProgramPath(const std::string& windowsPath);

// Hands the full 32-bit exit status to `winsim run` (WINSIM_EXIT_FILE): a
// POSIX exit status keeps only its low 8 bits.
void ReportExitStatus(unsigned status);

// What the process asked of the DLL search: SetDllDirectoryA (whether it was
// called with a path, and the path) and SetDefaultDllDirectories (its flags,
// 0 when never called).
struct DllSearchSettings {
    bool directorySet = false;
    std::string directory;
    unsigned long defaultDirectories = 0;
};
DllSearchSettings CurrentDllSearch();

}  // namespace winsim

#endif
