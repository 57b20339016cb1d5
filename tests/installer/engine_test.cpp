// The upgrade engine over file sets of the test's making: the upgrade
// decision, delayed replacement on both families, restarts and rollback.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "engine_fixture.h"
#include "registry.h"
#include "status.h"
#include "winmain.h"

namespace {

const DWORD kAll = FE_WIN9X | FE_NT4 | FE_W2K;

class Decision : public EngineTest {
protected:
    // One driver entry in the Drivers directory with an installed file and an image.
    FileSet& Driver(DWORD flags, const char* installed, long long installedTime, const char* image, long long imageTime) {
        FileSet& set = MakeSet({Entry("X.SYS", "x.sys", "x", DIR_DRIVERS, flags | kAll, 1)});
        std::strcpy(entries_[0].imageName, "KVTA");
        const std::string drivers = GetDirectory(DIR_DRIVERS);
        if (installed) Put(drivers + "x.sys", Payload(installed), installedTime);
        if (image) Put(drivers + "KVTA.TMP", Payload(image), imageTime);
        return set;
    }
    void SetUp() override {
        EngineTest::SetUp();
        Start("winxp");
    }
};

TEST_F(Decision, VersionsDecideBeforeDates) {
    const struct {
        const char* installed;
        const char* image;
        long long installedTime, imageTime;
        bool upgrade;
        const char* line;
    } rows[] = {
        {"variants/7.1.0.188/HALVIK.SYS", "HALVIK2K.SYS", 2, 1, true, "Image file has later version, upgrade recommended"},
        {"HALVIK2K.SYS", "HALVIK2K.SYS", 1, 2, false, nullptr},
        {"variants/7.2.0.0/HALVIK.SYS", "HALVIK2K.SYS", 1, 2, false, nullptr},
        {"variants/none/HALVIK.SYS", "HALVIK2K.SYS", 2, 1, true,
         "Image file has version info, existing file does not.  Upgrade recommended"},
        {"HALVIK2K.SYS", "variants/none/HALVIK.SYS", 1, 2, true, "Image file has later time/date stamp, upgrade recommended"},
        {"HALVIK2K.SYS", "variants/none/HALVIK.SYS", 2, 1, false, nullptr},
    };
    // PE images read alike on both families.
    for (const char* profile : {"winxp", "nt4", "win98"}) {
        for (const auto& row : rows) {
            Start(profile);
            FileSet& set = Driver(0, row.installed, row.installedTime * 100000000, row.image, row.imageTime * 100000000);
            ASSERT_TRUE(CompareFiles(&set, FALSE)) << profile << " " << row.installed;
            EXPECT_EQ(states_[0].upgrade != 0, row.upgrade) << profile << " " << row.installed << " / " << row.image;
            std::string log = Log();
            if (row.line) {
                EXPECT_NE(log.find(row.line), std::string::npos) << profile << " " << row.installed;
            }
            EXPECT_EQ(log.find("recommended") != std::string::npos, row.line != nullptr) << log;
        }
        EXPECT_EQ(states_[0].existing.fileVersionMS, 0x00070001u) << profile;
    }
}

// The 95 family decides over VxDs, LE executables whose version resource is
// a 16-bit one: newer image, equal, older image, and no version on either side.
TEST_F(Decision, VxdVersionsDecideOnThe95Family) {
    const struct {
        const char* installed;
        const char* image;
        long long installedTime, imageTime;
        bool upgrade;
        const char* line;
    } rows[] = {
        {"variants/7.1.0.188/HALVIK.VXD", "HALVIK.VXD", 2, 1, true, "Image file has later version, upgrade recommended"},
        {"HALVIK.VXD", "HALVIK.VXD", 1, 2, false, nullptr},
        {"variants/7.2.0.0/HALVIK.VXD", "HALVIK.VXD", 1, 2, false, nullptr},
        {"variants/7.0.5.300/HALVIK.VXD", "variants/7.1.0.188/HALVIK.VXD", 2, 1, true,
         "Image file has later version, upgrade recommended"},
        {"variants/none/HALVIK.VXD", "HALVIK.VXD", 2, 1, true,
         "Image file has version info, existing file does not.  Upgrade recommended"},
        {"HALVIK.VXD", "variants/none/HALVIK.VXD", 1, 2, true, "Image file has later time/date stamp, upgrade recommended"},
        {"HALVIK.VXD", "variants/none/HALVIK.VXD", 2, 1, false, nullptr},
    };
    for (const char* profile : {"win95", "win98", "winme"}) {
        for (const auto& row : rows) {
            Start(profile);
            FileSet& set = MakeSet({Entry("X.VXD", "x.vxd", "x", DIR_DRIVERS, FE_WIN9X, 1)});
            std::strcpy(entries_[0].imageName, "KVTA");
            const std::string drivers = GetDirectory(DIR_DRIVERS);
            Put(drivers + "x.vxd", Payload(row.installed), row.installedTime * 100000000);
            Put(drivers + "KVTA.TMP", Payload(row.image), row.imageTime * 100000000);
            ASSERT_TRUE(CompareFiles(&set, FALSE)) << profile << " " << row.installed << Log();
            EXPECT_EQ(states_[0].upgrade != 0, row.upgrade) << profile << " " << row.installed << " / " << row.image;
            std::string log = Log();
            if (row.line) {
                EXPECT_NE(log.find(row.line), std::string::npos) << profile << " " << row.installed;
            }
            EXPECT_EQ(log.find("recommended") != std::string::npos, row.line != nullptr) << log;
        }
        EXPECT_EQ(states_[0].existing.fileVersionMS, 0x00070001u) << profile;
        EXPECT_EQ(std::string(states_[0].existing.fileVersionText), "7.1.0.189") << profile;
        EXPECT_EQ(std::string(states_[0].existing.description), "Tessera Disc Reader filter driver for Windows 95/98/Me");
        EXPECT_EQ(std::string(states_[0].existing.companyName), "Talven");
        EXPECT_FALSE(states_[0].image.hasVersion) << profile << ": the image without version";
    }
    // The NT family reads no VxD's version (the call fails with last error
    // 0): both read as files without version and the dates decide.
    Start("winxp");
    FileSet& set = MakeSet({Entry("X.VXD", "x.vxd", "x", DIR_DRIVERS, kAll, 1)});
    std::strcpy(entries_[0].imageName, "KVTA");
    const std::string drivers = GetDirectory(DIR_DRIVERS);
    Put(drivers + "x.vxd", Payload("variants/7.2.0.0/HALVIK.VXD"), 100000000);
    Put(drivers + "KVTA.TMP", Payload("HALVIK.VXD"), 200000000);
    ASSERT_TRUE(CompareFiles(&set, FALSE));
    EXPECT_FALSE(states_[0].existing.hasVersion);
    EXPECT_FALSE(states_[0].image.hasVersion);
    EXPECT_TRUE(states_[0].upgrade);
    EXPECT_TRUE(Logged("Image file has later time/date stamp, upgrade recommended")) << Log();
}

TEST_F(Decision, MissingFilesAndTheDefault) {
    FileSet& set = Driver(0, nullptr, 0, "HALVIK2K.SYS", 1);
    ASSERT_TRUE(CompareFiles(&set, FALSE));
    EXPECT_TRUE(states_[0].upgrade);
    EXPECT_TRUE(Logged("No existing file to compare, upgrade/operation recommended"));
    EXPECT_TRUE(Logged("File c:\\windows\\system32\\drivers\\x.sys does not exist"));

    Start("winxp");
    FileSet& onlyIfPresent = Driver(FE_ONLY_IF_PRESENT, nullptr, 0, "HALVIK2K.SYS", 1);
    ASSERT_TRUE(CompareFiles(&onlyIfPresent, FALSE));
    EXPECT_FALSE(states_[0].upgrade);
    ASSERT_TRUE(CompareFiles(&onlyIfPresent, TRUE));
    EXPECT_TRUE(states_[0].upgrade) << "FORCE keeps its decision although the line says not recommended";
    EXPECT_TRUE(Logged("No existing file to compare, upgrade/operation *not* recommended"));

    Start("winxp");
    FileSet& noImage = Driver(0, "HALVIK2K.SYS", 1, nullptr, 0);
    EXPECT_FALSE(CompareFiles(&noImage, FALSE)) << "a missing image ends the decision";
    EXPECT_EQ(StatusWord >> 20, 2067u) << "as an error: the run must not read as up to date";
    EXPECT_EQ(StatusQualifier, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    Start("winxp");
    MakeSet({Entry("X.SYS", "x.sys", "x", DIR_DRIVERS, kAll, 1)});
    std::strcpy(entries_[0].imageName, "KVTA");
    std::string image = "C:\\WINDOWS\\system32\\drivers\\KVTA.TMP";
    Put(image, Payload("HALVIK2K.SYS"));
    entries_[0].targetName = "nodir\\x.sys";
    SetSourcePosition(".\\install\\upgrade.cpp", 1);
    EXPECT_FALSE(CompareFiles(&set_, FALSE));
    EXPECT_EQ(StatusWord >> 20, 2067u) << "a missing directory is an error, not a missing file";
}

TEST_F(Decision, NoVersionEntriesGoByDatesOnly) {
    FileSet& set = Driver(FE_NO_VERSION, "variants/7.1.0.188/HALVIK.SYS", 1, "HALVIK2K.SYS", 2);
    ASSERT_TRUE(CompareFiles(&set, FALSE));
    EXPECT_TRUE(states_[0].upgrade);
    std::string log = Log();
    EXPECT_NE(log.find("Image file has later time/date stamp, upgrade recommended"), std::string::npos);
    EXPECT_EQ(log.find(" version 7."), std::string::npos) << "version lines are not logged";
}

TEST_F(Decision, GroupsAreUpgradedTogether) {
    MakeSet({Entry("A.SYS", "a.sys", "a", DIR_DRIVERS, FE_GROUP_CHECK | kAll, 7),
             Entry("B.SYS", "b.sys", "b", DIR_DRIVERS, FE_GROUP_CHECK | kAll, 7),
             Entry("C.VXD", "c.vxd", "c", DIR_DRIVERS, FE_WIN9X, 7)});
    std::strcpy(entries_[0].imageName, "KVTA");
    std::strcpy(entries_[1].imageName, "KVTB");
    Put("C:\\WINDOWS\\system32\\drivers\\a.sys", Payload("HALVIK2K.SYS"), 5);
    Put("C:\\WINDOWS\\system32\\drivers\\b.sys", Payload("variants/7.2.0.0/HALVIK.SYS"), 5);
    Put("C:\\WINDOWS\\system32\\drivers\\KVTA.TMP", Payload("HALVIK2K.SYS"), 1);
    Put("C:\\WINDOWS\\system32\\drivers\\KVTB.TMP", Payload("HALVIK2K.SYS"), 1);
    ASSERT_TRUE(CompareFiles(&set_, FALSE));
    EXPECT_TRUE(Logged("Group 7 file versions differ (0/1), upgrade recommended"));
    EXPECT_TRUE(states_[0].upgrade);
    EXPECT_TRUE(states_[1].upgrade);
    EXPECT_FALSE(states_[2].upgrade) << "another platform's entry of the group, never extracted, stays out";
    EXPECT_FALSE(states_[2].existing.exists) << "which was never looked at";
}

class Delayed : public EngineTest {
protected:
    // A driver that waits for the restart, and the archive that carries it.
    FileSet& DelayedDriver(const char* profile) {
        Start(profile);
        PlantServiceKey();
        std::string archive = MakeArchive({{"LATE.SYS", Payload("HALVIK2K.SYS")}});
        return MakeSet({Entry("LATE.SYS", "late.sys", "late", DIR_DRIVERS, FE_NEEDS_RESTART | kAll, 4)}, archive);
    }
    std::string Reboot() {
        return RunShell(std::string(WINSIM_TOOL) + " reboot '" + dir_ + "'");
    }
};

TEST_F(Delayed, NtQueuesMovesAndRecordsThem) {
    FileSet& set = DelayedDriver("winxp");
    Put("C:\\WINDOWS\\system32\\drivers\\late.sys", Payload("variants/7.1.0.188/HALVIK.SYS"));
    ASSERT_TRUE(InstallSequence(&set));
    EXPECT_EQ(StatusWord >> 20, 2u);
    std::string pending = Pending();
    EXPECT_NE(pending.find("\\??\\c:\\windows\\system32\\drivers\\KVT"), std::string::npos) << pending;
    EXPECT_NE(pending.find("|!\\??\\c:\\windows\\system32\\drivers\\late.sys|"), std::string::npos) << pending;
    EXPECT_NE(pending.find("\\??\\c:\\windows\\system32\\kvtinit.TMP||"), std::string::npos)
        << "the record file deletes itself at the restart: " << pending;
    EXPECT_TRUE(HostFileExists(Host("C:\\WINDOWS\\system32\\drivers\\late.BAK")));
    std::string image = Host(std::string("C:\\WINDOWS\\system32\\drivers\\") + entries_[0].imageName + ".TMP");
    EXPECT_TRUE(HostFileExists(image)) << "the partial clean-up keeps the waiting file";
    std::string records = ReadHostFile(Host("C:\\WINDOWS\\system32\\kvtinit.TMP"));
    ASSERT_GE(records.size(), 12u);
    EXPECT_EQ(static_cast<unsigned char>(records[0]) + 0u, records.size()) << "one record";

    // A second run before the restart brings the waiting file up to date.
    Restart();
    RunFlags.forced = TRUE;
    ASSERT_TRUE(InstallSequence(&set));
    EXPECT_TRUE(states_[0].existing.pending);
    std::string log = Log();
    EXPECT_NE(log.find("Duplicate installation - substituting temporary file"), std::string::npos) << log;
    EXPECT_EQ(Pending(), pending) << "no second operation is queued";

    std::string out = Reboot();
    EXPECT_EQ(ReadHostFile(Host("C:\\WINDOWS\\system32\\drivers\\late.sys")), ReadHostFile(Payload("HALVIK2K.SYS")))
        << out;
    EXPECT_EQ(Pending(), "(none)");
    EXPECT_FALSE(HostFileExists(Host("C:\\WINDOWS\\system32\\kvtinit.TMP")));
    EXPECT_FALSE(HostFileExists(image));
}

TEST_F(Delayed, The95FamilyWritesWininit) {
    FileSet& set = DelayedDriver("win98");
    ASSERT_TRUE(InstallSequence(&set));
    std::string wininit = ReadHostFile(Host("C:\\WINDOWS\\wininit.ini"));
    EXPECT_EQ(wininit.compare(0, 10, "[RENAME]\r\n"), 0) << wininit;
    EXPECT_NE(wininit.find("NUL=C:\\WINDOWS\\SYSTEM\\KVTINIT.TMP\r\n"), std::string::npos) << wininit;
    EXPECT_NE(wininit.find("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\LATE.SYS=C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\KVT"), std::string::npos)
        << wininit;

    std::string out = Reboot();
    EXPECT_EQ(ReadHostFile(Host("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\late.sys")), ReadHostFile(Payload("HALVIK2K.SYS"))) << out;
    EXPECT_FALSE(HostFileExists(Host("C:\\WINDOWS\\wininit.ini")));
    EXPECT_TRUE(HostFileExists(Host("C:\\WINDOWS\\wininit.bak")));
}

TEST_F(Delayed, WininitLinesGoBehindAnyHeaderAndOnlyOnce) {
    DelayedDriver("win98");
    WriteHostFile(Host("C:\\WINDOWS\\wininit.ini"), "[Other]\r\nx=1\r\n[rename]\r\nNUL=C:\\OLD.TMP\r\n");
    Put("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\KVTZ.TMP", Payload("HALVIK2K.SYS"));
    ASSERT_TRUE(PerformMove(TRUE, "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\KVTZ.TMP", "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\late.sys", FALSE));
    std::string expected = "[Other]\r\nx=1\r\n[rename]\r\nC:\\WINDOWS\\SYSTEM\\IOSUBSYS\\LATE.SYS=C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\KVTZ.TMP\r\n"
                           "NUL=C:\\OLD.TMP\r\n";
    EXPECT_EQ(ReadHostFile(Host("C:\\WINDOWS\\wininit.ini")), expected);
    ASSERT_TRUE(PerformMove(TRUE, "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\KVTZ.TMP", "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\late.sys", TRUE));
    EXPECT_EQ(ReadHostFile(Host("C:\\WINDOWS\\wininit.ini")), expected);
    EXPECT_TRUE(Logged("Duplicate [RENAME] line, not changing WININIT.INI"));
    EXPECT_FALSE(HostFileExists(Host("C:\\WINDOWS\\SYSTEM\\KVTINIT.TMP"))) << "and no move record";

    ASSERT_TRUE(PerformMove(TRUE, "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\KVTZ.TMP", nullptr, FALSE));
    EXPECT_TRUE(Logged("Move delayed from C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\KVTZ.TMP to NULL(DELETE)"));
    EXPECT_NE(ReadHostFile(Host("C:\\WINDOWS\\wininit.ini")).find("NUL=C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\KVTZ.TMP\r\n"),
              std::string::npos);
}

class Rollback : public Delayed {
protected:
    // The delayed driver and a registry script that fails after it was queued.
    FileSet& FailingRun(const char* profile) {
        Start(profile);
        WriteHostFile(work_ + "/BAD.INF", "[HKEY_LOCAL_MACHINE]\r\nvalue = REG_SZ:no key is open\r\n");
        std::string archive = MakeArchive({{"LATE.SYS", Payload("HALVIK2K.SYS")}, {"BAD.INF", work_ + "/BAD.INF"}});
        return MakeSet({Entry("BAD.INF", "bad.inf", "bad", DIR_TEMP, FE_REGISTRY_SCRIPT | kAll, 0),
                        Entry("LATE.SYS", "late.sys", "late", DIR_DRIVERS, FE_NEEDS_RESTART | kAll, 4)},
                       archive);
    }
    void ExpectNoImages(const std::string& windowsDir) {
        for (const auto& entry : std::filesystem::directory_iterator(Host(windowsDir))) {
            // GetTempFileName names them "KVT1.tmp": the case of neither part is fixed.
            std::string name = entry.path().filename().string(), lower = name;
            for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            EXPECT_FALSE(lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".tmp") == 0 && lower.compare(0, 3, "kvt") == 0)
                << name;
        }
    }
};

TEST_F(Rollback, NtPutsThePendingValueBackOrRemovesIt) {
    FileSet& set = FailingRun("winxp");
    ASSERT_FALSE(InstallSequence(&set));
    EXPECT_EQ(StatusWord >> 20, 2053u);
    EXPECT_EQ(Pending(), "(none)") << "absent stays absent";
    EXPECT_FALSE(HostFileExists(Host("C:\\WINDOWS\\system32\\kvtinit.TMP")));
    std::string log = Log();
    for (const char* line : {"No existing PendingFileRenameOperations value to backup",
                             "Starting image file cleanup pass - full cleanup",
                             "Attempting PendingFileRenameOperations value restore", "Deleting MoveFileRecord at"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    ExpectNoImages("C:\\WINDOWS\\system32\\drivers");
    ExpectNoImages(winsim::CurrentProfile().tempPath);

    FileSet& again = FailingRun("winxp");
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0, KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    const char before[] = "\\??\\c:\\foreign.tmp\0\0";
    ASSERT_EQ(RegSetValueExA(key, "PendingFileRenameOperations", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(before),
                             sizeof before),
              ERROR_SUCCESS);
    RegCloseKey(key);
    WriteHostFile(Host("C:\\WINDOWS\\system32\\kvtinit.TMP"), std::string("\x14\0\0\0\x04\0\0\0\x04\0\0\0AAAABBBB", 20));
    Restart();
    ASSERT_FALSE(InstallSequence(&again));
    std::string expected(before, sizeof before);
    for (char& c : expected)
        if (c == '\0') c = '|';
    EXPECT_EQ(Pending(), expected) << "the value is written back as it was";
    EXPECT_EQ(ReadHostFile(Host("C:\\WINDOWS\\system32\\kvtinit.TMP")),
              std::string("\x14\0\0\0\x04\0\0\0\x04\0\0\0AAAABBBB", 20));
}

TEST_F(Rollback, AFailureInAnyPhaseLeavesTheStoresAsTheyWere) {
    // Each fault hits a different phase of a run that queues a delayed replacement.
    const char* faults[] = {
        "GetTempFileNameA:3:80",   // naming the driver's image file (extraction)
        "GetFileVersionInfoSizeA:1:5;CreateFileA:13:5",  // reading the installed file (comparison)
        "CopyFileA:2:5",           // the backup of the installed driver (replacement)
        "MoveFileExA:1:5",         // queueing the replacement
        "SetFileAttributesA:3:5",  // making a file's attributes normal
        "RegCreateKeyExA:1:5",     // the registry script
    };
    const std::string record("\x14\0\0\0\x04\0\0\0\x04\0\0\0AAAABBBB", 20);
    const char before[] = "\\??\\c:\\foreign.tmp\0\0";
    for (const char* fault : faults) {
        Start("winxp");
        WriteHostFile(work_ + "/GOOD.INF", "[HKEY_LOCAL_MACHINE]\r\nREGKEY=SOFTWARE\\Late\r\n");
        std::string archive = MakeArchive({{"LATE.SYS", Payload("HALVIK2K.SYS")}, {"GOOD.INF", work_ + "/GOOD.INF"}});
        FileSet& set = MakeSet({Entry("GOOD.INF", "good.inf", "good", DIR_TEMP, FE_REGISTRY_SCRIPT | kAll, 0),
                                Entry("LATE.SYS", "late.sys", "late", DIR_DRIVERS, FE_NEEDS_RESTART | kAll, 4)},
                               archive);
        Put("C:\\WINDOWS\\system32\\drivers\\late.sys", Payload("variants/7.1.0.188/HALVIK.SYS"));
        HKEY key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                                KEY_SET_VALUE, &key),
                  ERROR_SUCCESS);
        RegSetValueExA(key, "PendingFileRenameOperations", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(before),
                       sizeof before);
        RegCloseKey(key);
        WriteHostFile(Host("C:\\WINDOWS\\system32\\kvtinit.TMP"), record);
        std::string pending = Pending();
        std::string error;
        ASSERT_TRUE(winsim::SetFaults(fault, error)) << error;
        EXPECT_FALSE(InstallSequence(&set)) << fault;
        winsim::SetFaults("", error);
        EXPECT_TRUE(StatusIsError()) << fault;
        EXPECT_EQ(Pending(), pending) << fault;
        EXPECT_EQ(ReadHostFile(Host("C:\\WINDOWS\\system32\\kvtinit.TMP")), record) << fault;
        EXPECT_EQ(ReadHostFile(Host("C:\\WINDOWS\\system32\\drivers\\late.sys")),
                  ReadHostFile(Payload("variants/7.1.0.188/HALVIK.SYS")))
            << fault;
        ExpectNoImages("C:\\WINDOWS\\system32\\drivers");
        ExpectNoImages(winsim::CurrentProfile().tempPath);
    }
}

TEST_F(Rollback, The95FamilyRestoresWininit) {
    FileSet& set = FailingRun("win98");
    ASSERT_FALSE(InstallSequence(&set));
    EXPECT_FALSE(HostFileExists(Host("C:\\WINDOWS\\wininit.ini")));
    EXPECT_TRUE(Logged("Deleting WININIT.INI at c:\\windows\\wininit.ini"));

    FileSet& again = FailingRun("win98");
    WriteHostFile(Host("C:\\WINDOWS\\wininit.ini"), "[rename]\r\nNUL=C:\\KEEP.TMP\r\n");
    ASSERT_FALSE(InstallSequence(&again));
    EXPECT_EQ(ReadHostFile(Host("C:\\WINDOWS\\wininit.ini")), "[rename]\r\nNUL=C:\\KEEP.TMP\r\n");
    ExpectNoImages("C:\\WINDOWS\\SYSTEM\\IOSUBSYS");
}

TEST_F(Rollback, ReplacedFilesComeBackFromTheirBackups) {
    Start("winxp");
    std::string archive = MakeArchive({{"TOOL.EXE", Payload("HALVIK2K.SYS")}});
    FileSet& set = MakeSet({Entry("TOOL.EXE", "tool.exe", "tool", DIR_SYSTEM32, kAll, 2)}, archive);
    Put("C:\\WINDOWS\\system32\\tool.exe", Payload("variants/7.1.0.188/HALVIK.SYS"));
    SetFileAttributesA("C:\\WINDOWS\\system32\\tool.exe", FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(CreateImageFiles(&set));
    ASSERT_TRUE(CompareFiles(&set, FALSE));
    ASSERT_TRUE(InstallFiles(&set));
    EXPECT_EQ(ReadHostFile(Host("C:\\WINDOWS\\system32\\tool.exe")), ReadHostFile(Payload("HALVIK2K.SYS")))
        << "a read-only file is made normal and replaced";
    SetSourcePosition(".\\install\\upgrade.cpp", 1);
    RecordStatus(2078, 5);  // a later step failed
    CleanupImageFiles(&set, TRUE);
    EXPECT_EQ(ReadHostFile(Host("C:\\WINDOWS\\system32\\tool.exe")), ReadHostFile(Payload("variants/7.1.0.188/HALVIK.SYS")));
    EXPECT_TRUE(Logged("Restore c:\\windows\\system32\\tool.BAK to c:\\windows\\system32\\tool.exe"));
}

TEST_F(Rollback, ALockedImageTurnsAPartialPassFull) {
    Start("winxp");
    std::string archive = MakeArchive({{"LATE.SYS", Payload("HALVIK2K.SYS")}, {"GOOD.INF", Payload("HALVINST.INF")}});
    FileSet& set = MakeSet({Entry("GOOD.INF", "good.inf", "good", DIR_TEMP, FE_REGISTRY_SCRIPT | kAll, 0),
                            Entry("LATE.SYS", "late.sys", "late", DIR_DRIVERS, FE_NEEDS_RESTART | kAll, 4)},
                           archive);
    ASSERT_TRUE(CreateImageFiles(&set));
    ASSERT_TRUE(CompareFiles(&set, FALSE));
    ASSERT_TRUE(InstallFiles(&set));
    ASSERT_TRUE(ApplyRegistryScripts(&set));
    std::string script = std::string(GetDirectory(DIR_TEMP)) + entries_[0].imageName + ".TMP";
    HANDLE lock = CreateFileA(script.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    CleanupImageFiles(&set, FALSE);
    CloseHandle(lock);
    std::string log = Log();
    size_t partial = log.find("Starting image file cleanup pass - partial cleanup");
    size_t failed = log.find("DeleteFile " + script + " failed 0x00000020");
    size_t full = log.find("Starting image file cleanup pass - full cleanup");
    EXPECT_TRUE(partial < failed && failed < full && full != std::string::npos) << log;
    EXPECT_EQ(Pending(), "(none)") << "the stores are rolled back";
}

}  // namespace
