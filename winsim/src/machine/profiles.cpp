// The built-in machine profiles: what each Windows version reports about
// itself and where it keeps its directories.
#include "winsim/machine.h"

namespace winsim {
namespace {

struct ProfileRow {
    const char* name;
    int platformId, major, minor, build;
    const char* csd;
    const char* windowsDir;
    const char* systemDir;
    const char* tempPath;
};

// Directory spellings are the ones each version's calls report.
const ProfileRow kProfiles[] = {
    {"win95", 1, 4, 0, 950, "", "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\TEMP\\"},
    {"win98", 1, 4, 10, 1998, "", "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\TEMP\\"},
    {"winme", 1, 4, 90, 3000, "", "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\TEMP\\"},
    {"nt351", 2, 3, 51, 1057, "Service Pack 5", "C:\\WINNT35", "C:\\WINNT35\\system32", "C:\\TEMP\\"},
    {"nt4", 2, 4, 0, 1381, "Service Pack 6", "C:\\WINNT", "C:\\WINNT\\system32", "C:\\TEMP\\"},
    {"win2000", 2, 5, 0, 2195, "Service Pack 4", "C:\\WINNT", "C:\\WINNT\\system32",
     "C:\\DOCUME~1\\ADMINI~1\\LOCALS~1\\Temp\\"},
    {"winxp", 2, 5, 1, 2600, "Service Pack 2", "C:\\WINDOWS", "C:\\WINDOWS\\system32",
     "C:\\DOCUME~1\\ADMINI~1\\LOCALS~1\\Temp\\"},
    {"vista", 2, 6, 0, 6000, "", "C:\\Windows", "C:\\Windows\\system32",
     "C:\\Users\\ADMINI~1\\AppData\\Local\\Temp\\"},
    {"win7", 2, 6, 1, 7601, "Service Pack 1", "C:\\Windows", "C:\\Windows\\system32",
     "C:\\Users\\ADMINI~1\\AppData\\Local\\Temp\\"},
    // Win32s on Windows 3.1: neither the Windows 95 family nor NT.
    {"win32s", 0, 3, 10, 0, "", "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\TEMP\\"},
};

}  // namespace

std::vector<std::string> ProfileNames() {
    std::vector<std::string> names;
    for (const ProfileRow& row : kProfiles) names.push_back(row.name);
    return names;
}

bool BuiltinProfile(const std::string& name, Profile& out) {
    for (const ProfileRow& row : kProfiles) {
        if (name != row.name) continue;
        out = Profile{};
        out.name = row.name;
        out.platformId = row.platformId;
        out.major = row.major;
        out.minor = row.minor;
        out.build = row.build;
        out.csdVersion = row.csd;
        out.windowsDir = row.windowsDir;
        out.systemDir = row.systemDir;
        out.tempPath = row.tempPath;
        out.drives = {{'C', "fixed", 1536ull << 20, 3ull << 30}, {'D', "cdrom", 0, 650ull << 20}};
        return true;
    }
    return false;
}

}  // namespace winsim
