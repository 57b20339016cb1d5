// Modules: the system DLLs a program loads at run time (VERSION, COMCTL32),
// by their full path in the system directory only, and the KERNEL32 calls
// that narrow the DLL search, exported where Windows has them.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "kernel32/exports.h"
#include "machine/machine_state.h"
#include "machine_fixture.h"
#include "winsim/machine.h"

namespace {

template <typename F>
FARPROC Address(F* function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

class Modules : public MachineTest {};

TEST_F(Modules, SystemDllsLoadByTheirFullPathInTheSystemDirectoryOnly) {
    for (const char* profile : {"win95", "winxp"}) {
        UseFreshMachine(profile);
        std::string system = winsim::CurrentProfile().systemDir;
        HMODULE version = LoadLibraryA((system + "\\VERSION.DLL").c_str());
        ASSERT_NE(version, nullptr) << profile;
        EXPECT_EQ(GetProcAddress(version, "GetFileVersionInfoSizeA"), Address(&GetFileVersionInfoSizeA));
        EXPECT_EQ(GetProcAddress(version, "GetFileVersionInfoA"), Address(&GetFileVersionInfoA));
        EXPECT_EQ(GetProcAddress(version, "VerQueryValueA"), Address(&VerQueryValueA));
        SetLastError(0);
        EXPECT_EQ(GetProcAddress(version, "InitCommonControls"), nullptr) << "each DLL has its own exports";
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
        HMODULE controls = LoadLibraryA((system + "\\comctl32.dll").c_str());
        ASSERT_NE(controls, nullptr) << profile;
        EXPECT_NE(controls, version);
        EXPECT_EQ(GetProcAddress(controls, "InitCommonControls"), Address(&InitCommonControls));

        // Searched for by name, or anywhere else, they are not found: on
        // Windows the folder of the program would be searched first.
        for (const std::string& name : {std::string("version.dll"), std::string("C:\\version.dll"),
                                        std::string("D:\\version.dll"), system + "\\msvcrt.dll"}) {
            SetLastError(0);
            EXPECT_EQ(LoadLibraryA(name.c_str()), nullptr) << name;
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND)) << name;
        }

        // Loaded twice, freed twice: after the last FreeLibrary the handle is gone.
        EXPECT_EQ(LoadLibraryA((system + "\\version.dll").c_str()), version);
        EXPECT_TRUE(FreeLibrary(version));
        EXPECT_NE(GetProcAddress(version, "VerQueryValueA"), nullptr);
        EXPECT_TRUE(FreeLibrary(version));
        SetLastError(0);
        EXPECT_EQ(GetProcAddress(version, "VerQueryValueA"), nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
        EXPECT_FALSE(FreeLibrary(version));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        EXPECT_TRUE(FreeLibrary(controls));
    }
}

TEST_F(Modules, AnInjectedFaultFailsTheLoad) {
    std::string error;
    ASSERT_TRUE(winsim::SetFaults("LoadLibraryA:2:5", error)) << error;
    std::string path = winsim::CurrentProfile().systemDir + "\\version.dll";
    HMODULE first = LoadLibraryA(path.c_str());
    EXPECT_NE(first, nullptr);
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA(path.c_str()), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    FreeLibrary(first);
}

typedef BOOL(WINAPI* SetDirectoryCall)(LPCSTR);

TEST_F(Modules, TheDllSearchCallsAreThereFromXpServicePack1On) {
    struct Case {
        const char* profile;
        const char* servicePack;  // nullptr: the profile's own
        bool setDllDirectory;
    };
    for (const Case& c : {Case{"win95", nullptr, false}, Case{"win98", nullptr, false}, Case{"winme", nullptr, false},
                          Case{"nt4", nullptr, false}, Case{"win2000", nullptr, false}, Case{"winxp", "", false},
                          Case{"winxp", "Service Pack 1", true}, Case{"winxp", nullptr, true},
                          Case{"vista", nullptr, true}, Case{"win7", nullptr, true}}) {
        UseFreshMachine(c.profile);
        if (c.servicePack) {
            winsim::Profile profile = winsim::CurrentProfile();
            profile.csdVersion = c.servicePack;
            std::string error;
            ASSERT_TRUE(winsim::SaveProfile(dir_, profile, error)) << error;
            ASSERT_TRUE(winsim::UseMachine(dir_, error)) << error;
        }
        std::string label = std::string(c.profile) + " " + winsim::CurrentProfile().csdVersion;
        HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
        SetLastError(0);
        auto set = reinterpret_cast<SetDirectoryCall>(
            reinterpret_cast<void (*)()>(GetProcAddress(kernel, "SetDllDirectoryA")));
        EXPECT_EQ(set != nullptr, c.setDllDirectory) << label;
        if (!set) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND)) << label;
        }
        // Windows 8 brought SetDefaultDllDirectories; no profile here is as new.
        EXPECT_EQ(GetProcAddress(kernel, "SetDefaultDllDirectories"), nullptr) << label;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND)) << label;
        if (set) {
            EXPECT_TRUE(set(""));
            EXPECT_TRUE(winsim::CurrentDllSearch().directorySet);
            EXPECT_EQ(winsim::CurrentDllSearch().directory, "");
        }
    }
}

TEST_F(Modules, SetDefaultDllDirectoriesTakesOnlyTheSearchFlags) {
    SetLastError(0);
    EXPECT_FALSE(winsim::SetDefaultDllDirectoriesCall(0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(winsim::SetDefaultDllDirectoriesCall(LOAD_LIBRARY_SEARCH_SYSTEM32 | 0x1));
    EXPECT_TRUE(winsim::SetDefaultDllDirectoriesCall(LOAD_LIBRARY_SEARCH_SYSTEM32));
    EXPECT_EQ(winsim::CurrentDllSearch().defaultDirectories, static_cast<unsigned long>(LOAD_LIBRARY_SEARCH_SYSTEM32));
}

}  // namespace
