// Silent uninstalls after real installs: the machine as it was before the
// install, other filters kept, a driver in use, repeated and partial runs,
// and a failure at every step put back.
#include <gtest/gtest.h>

#include <cctype>
#include <sstream>

#include "uninstaller_fixture.h"

namespace {

const char kClass[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E965-E325-11CE-BFC1-08002BE10318}";

void SetFilters(HKEY root, DWORD type, const std::string& bytes) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(root, kClass, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "LowerFilters", 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// The value's type and bytes; type 0 when it is absent.
std::pair<DWORD, std::string> Filters() {
    HKEY key;
    DWORD type = 0, size = 512;
    char data[512] = {};
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kClass, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return {0, ""};
    if (RegQueryValueExA(key, "LowerFilters", nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
        type = 0, size = 0;
    RegCloseKey(key);
    return {type, std::string(data, size)};
}

TEST_F(Uninstall, InstallUninstallRebootLeavesTheMachineAsItWas) {
    for (const char* profile : {"win98", "nt4", "win2000", "winxp"}) {
        Prepare(profile);
        std::string before = Snapshot("before");
        ASSERT_EQ(Install("SILENT LEAVELOG"), 2u) << profile;
        EXPECT_EQ(Remove("SILENT LEAVELOG LEAVESTATUS"), 1u) << profile << Log();
        std::string log = Log();
        EXPECT_NE(log.find("Deleting the running uninstaller"), std::string::npos) << profile << log;
        EXPECT_NE(Lower(Reboot()).find("deleted c:\\"), std::string::npos) << profile;
        std::string diff = Diff(before);
        EXPECT_TRUE(OnlyLogs(diff)) << profile << "\n" << diff;
        EXPECT_NE(diff.find("HALVINST.LOG"), std::string::npos) << diff;
        EXPECT_NE(diff.find("HALVUNIN.LOG"), std::string::npos) << diff;
        EXPECT_NE(diff.find("UpgWizCompletion\\halvunin]"), std::string::npos) << diff;
    }
}

// The log shares the installer's format but names the program that wrote
// it; the installer's own log keeps its words.
TEST_F(Uninstall, EachLogNamesItsProgram) {
    Prepare("win2000");
    ASSERT_EQ(Install("SILENT LEAVELOG"), 2u);
    ASSERT_EQ(Remove("SILENT LEAVELOG"), 1u);
    std::string log = Log();
    EXPECT_NE(log.find("     LOG0"), std::string::npos) << log;
    EXPECT_NE(log.find(": Starting HALVUNIN uninstaller on "), std::string::npos) << log;
    EXPECT_NE(log.find(": Closing uninstaller log on "), std::string::npos) << log;
    EXPECT_EQ(log.find(" installer "), std::string::npos) << log;
    std::string installer = ReadHostFile(Host(winsim::CurrentProfile().tempPath + "HALVINST.LOG"));
    EXPECT_NE(installer.find(": Starting HALVINST installer on "), std::string::npos) << installer;
    EXPECT_NE(installer.find(": Closing installer log on "), std::string::npos) << installer;
}

TEST_F(Uninstall, OtherFiltersStayInTheirOrder) {
    Prepare("winxp");
    SetFilters(HKEY_LOCAL_MACHINE, REG_MULTI_SZ, std::string("Before\0\0", 8));
    ASSERT_EQ(Install(), 2u);
    SetFilters(HKEY_LOCAL_MACHINE, REG_MULTI_SZ, std::string("Before\0Halvik\0After\0\0", 21));
    EXPECT_EQ(Remove(), 1u);
    EXPECT_EQ(Filters(), std::make_pair(DWORD(REG_MULTI_SZ), std::string("Before\0After\0\0", 14)));

    // A REG_SZ list that the installer turned into a two-entry list.
    Prepare("winxp");
    SetFilters(HKEY_LOCAL_MACHINE, REG_SZ, std::string("Single\0", 7));
    ASSERT_EQ(Install(), 2u);
    EXPECT_EQ(Remove(), 1u);
    EXPECT_EQ(Filters(), std::make_pair(DWORD(REG_MULTI_SZ), std::string("Single\0\0", 8)));
    // A REG_SZ naming only us goes; one naming another filter stays.
    SetFilters(HKEY_LOCAL_MACHINE, REG_SZ, std::string("HALVIK\0", 7));
    EXPECT_EQ(RunProgram(std::string("'") + HALVUNIN_EXE + "'", "SILENT"), 1u);
    EXPECT_EQ(Filters().first, 0u);
    SetFilters(HKEY_LOCAL_MACHINE, REG_SZ, std::string("Single\0", 7));
    EXPECT_EQ(RunProgram(std::string("'") + HALVUNIN_EXE + "'", "SILENT"), 0u);
    EXPECT_EQ(Filters(), std::make_pair(DWORD(REG_SZ), std::string("Single\0", 7)));

    // An empty value someone else left is nobody's business.
    Prepare("winxp");
    ASSERT_EQ(Install(), 2u);
    SetFilters(HKEY_LOCAL_MACHINE, REG_MULTI_SZ, std::string());
    EXPECT_EQ(Remove(), 1u);
    EXPECT_EQ(Filters(), std::make_pair(DWORD(REG_MULTI_SZ), std::string()));
}

// Both programs read the list alike: with an empty string inside it, the
// installer's entry is found and removed, the others kept in their order.
TEST_F(Uninstall, AnEmptyStringInsideTheFilterListHidesNothing) {
    for (const char* profile : {"win2000", "winxp"}) {
        Prepare(profile);
        SetFilters(HKEY_LOCAL_MACHINE, REG_MULTI_SZ, std::string("A\0\0B\0\0", 6));
        ASSERT_EQ(Install(), 2u) << profile;
        EXPECT_EQ(Filters(), std::make_pair(DWORD(REG_MULTI_SZ), std::string("A\0B\0Halvik\0\0", 12))) << profile;
        SetFilters(HKEY_LOCAL_MACHINE, REG_MULTI_SZ, std::string("A\0\0Halvik\0B\0\0", 13));
        EXPECT_EQ(Remove(), 1u) << profile;
        EXPECT_EQ(Filters(), std::make_pair(DWORD(REG_MULTI_SZ), std::string("A\0B\0\0", 5))) << profile;
    }
}

TEST_F(Uninstall, ADriverInUseGoesAtTheNextRestart) {
    for (const char* profile : {"win98", "winxp"}) {
        Prepare(profile);
        std::string before = Snapshot("before");
        ASSERT_EQ(Install(), 2u);
        EXPECT_EQ(Remove("SILENT", "WINSIM_FAIL='DeleteFileA:1:32'"), 2u) << profile << Log();
        std::string driver = std::string(profile) == "win98" ? "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\Halvik.vxd"
                                                             : "C:\\WINDOWS\\system32\\drivers\\Halvik.sys";
        EXPECT_TRUE(HostFileExists(Host(driver))) << profile;
        std::string reboot = Reboot();
        EXPECT_NE(Lower(reboot).find("halvik."), std::string::npos) << reboot;
        EXPECT_FALSE(HostFileExists(Host(driver))) << profile;
        EXPECT_TRUE(OnlyLogs(Diff(before))) << profile << "\n" << Diff(before);
    }
}

// The driver held open, as Windows holds a driver in use, through two
// uninstalls before the restart: the second finds its deletion waiting and
// does not queue it again (the restart deletes it once).
TEST_F(Uninstall, ASecondRunFindsTheDriverDeletionWaiting) {
    for (const char* profile : {"win98", "winxp"}) {
        Prepare(profile);
        std::string before = Snapshot("before");
        ASSERT_EQ(Install(), 2u);
        bool win98 = std::string(profile) == "win98";
        std::string driver = win98 ? "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\Halvik.vxd" : "C:\\WINDOWS\\system32\\drivers\\Halvik.sys";
        std::string held = "hold '" + dir_ + "' --file '" + driver + "' -- " + WINSIM_TOOL + " run '" + dir_ + "' -- '" +
                           System32() + "\\HALVUNIN.EXE' SILENT LEAVELOG";
        EXPECT_NE(Tool(held).find("exit code 0x002"), std::string::npos) << profile << Log();
        EXPECT_NE(Tool(held).find("exit code 0x002"), std::string::npos) << profile << Log();
        EXPECT_NE(Lower(Log()).find(Lower(driver) + " is in use and already deleted at the next restart"),
                  std::string::npos)
            << Log();
        std::string reboot = Lower(Reboot());
        std::string name = win98 ? "halvik.vxd" : "halvik.sys";
        size_t first = reboot.find(name);
        EXPECT_NE(first, std::string::npos) << reboot;
        EXPECT_EQ(reboot.find(name, first + 1), std::string::npos) << "deleted once: " << reboot;
        EXPECT_FALSE(HostFileExists(Host(driver))) << profile;
        EXPECT_TRUE(OnlyLogs(Diff(before))) << profile << "\n" << Diff(before);
    }
}

TEST_F(Uninstall, RepeatedAndPartialRuns) {
    Prepare("winxp");
    std::string before = Snapshot("before");
    ASSERT_EQ(Install(), 2u);
    EXPECT_EQ(Remove(), 1u);
    EXPECT_EQ(Remove("SILENT LEAVELOG"), 0u) << "nothing left to remove";
    EXPECT_NE(Log().find("is already deleted at the next restart - skipped"), std::string::npos) << Log();
    std::string reboot = Reboot();
    EXPECT_EQ(reboot.find("  deleted", reboot.find("  deleted") + 1), std::string::npos) << "queued once: " << reboot;
    std::filesystem::remove(Host(winsim::CurrentProfile().tempPath + "HALVUNIN.LOG"));
    EXPECT_EQ(Diff(before).find("  + "), std::string::npos) << Diff(before);

    // Only the uninstall entry is left: it goes, and the run counts as a removal.
    Prepare("win2000");
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Talven Halvik",
                            &key),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(RunProgram(std::string("'") + HALVUNIN_EXE + "'", "SILENT"), 1u);
    EXPECT_EQ(RegistryText("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Talven Halvik"), "");
}

TEST_F(Uninstall, AnotherRunningCopyRefusesAtOnce) {
    Prepare("winxp");
    ASSERT_EQ(Install(), 2u);
    std::string out = Tool("hold '" + dir_ + "' 'VaDiDe32 UPGRADE VaDiDe32' -- " + WINSIM_TOOL + " run '" + dir_ +
                           "' -- " + kInstalled + " SILENT");
    unsigned code = 0;
    ASSERT_EQ(std::sscanf(out.c_str(), "exit code 0x%x", &code), 1) << out;
    EXPECT_EQ(code >> 20, 2051u);
    EXPECT_TRUE(HostFileExists(Host("C:\\WINDOWS\\system32\\drivers\\Halvik.sys")));
}

TEST_F(Uninstall, AProcessorFaultIsCaughtAndTakenBack) {
    Prepare("winxp");
    ASSERT_EQ(Install(), 2u);
    std::string installed = Snapshot("installed");
    EXPECT_EQ(Remove("SILENT", "WINSIM_FAIL='RegDeleteKeyA:1:AV'"), 2050u);
    EXPECT_NE(Log().find("!!! EXCEPTION EXCEPTION EXCEPTION !!!"), std::string::npos) << Log();
    EXPECT_TRUE(OnlyLogs(Diff(installed))) << Diff(installed);
}

// Every call that changes the machine failing in turn (winsim counts them
// in a run without faults): each failed run leaves the machine as the
// install left it, its log aside. A failing log write changes nothing, so
// such runs succeed.
TEST_F(Uninstall, AFailureAtAnyStepPutsEverythingBack) {
    for (const char* profile : {"win98", "winxp"}) {
        Prepare(profile);
        // A backup beside the driver, so that that step has something to do.
        std::string drivers =
            std::string(profile) == "win98" ? "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\" : "C:\\WINDOWS\\system32\\drivers\\";
        ASSERT_EQ(Install(), 2u);
        ASSERT_EQ(Install("SILENT FORCE"), 2u);
        ASSERT_TRUE(HostFileExists(Host(drivers + "Halvik.BAK")));
        std::string installed = dir_ + ".installed", counts = dir_ + ".calls";
        snapshots_.push_back(installed);
        snapshots_.push_back(counts);
        // cp -a: the copies keep the times that the snapshot compares.
        RunShell("rm -rf '" + installed + "' && cp -a '" + dir_ + "' '" + installed + "'");
        std::string snapshot = Snapshot("after-install");
        ASSERT_EQ(Remove("SILENT", "WINSIM_CALLS='" + counts + "'"), 1u);
        unsigned long calls = 0;
        std::string listing = ReadHostFile(counts);
        ASSERT_EQ(std::sscanf(listing.c_str() + listing.find("* "), "* %lu", &calls), 1) << listing;
        unsigned failures = 0;
        for (unsigned long n = 1; n <= calls; ++n) {
            RunShell("rm -rf '" + dir_ + "' && cp -a '" + installed + "' '" + dir_ + "'");
            unsigned code = Remove("SILENT", "WINSIM_FAIL='*:" + std::to_string(n) + ":87'");
            if (code < 2048) {
                EXPECT_LE(code, 2u) << profile << " n=" << n;
                continue;
            }
            ++failures;
            // A failure after the journal was committed (deleting it) comes too
            // late to take anything back: the removal stands.
            if (Log().find("the run is complete") != std::string::npos) continue;
            std::string diff = Diff(snapshot);
            EXPECT_TRUE(OnlyLogs(diff)) << profile << " n=" << n << " status " << code << "\n" << diff << Log();
        }
        EXPECT_GT(failures, 8u) << profile << ": every step was failed once";
    }
}

}  // namespace
