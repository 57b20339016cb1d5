#include "engine_fixture.h"

#include "library.h"
#include "program.h"
#include "status.h"

#include <sys/stat.h>
#include <utime.h>

#include <cstring>
#include <filesystem>

FileEntry Entry(const char* archiveName, const char* targetName, const char* backupBase, DWORD directory, DWORD flags,
                DWORD group) {
    FileEntry e{};
    e.archiveName = archiveName;
    e.targetName = targetName;
    std::strncpy(e.backupBase, backupBase, sizeof e.backupBase - 1);
    e.directory = directory;
    e.flags = flags;
    e.group = group;
    return e;
}

void EngineTest::Start(const std::string& profile) {
    InstallLibraryCleanup();
    ResetInstaller();
    UseFreshMachine(profile);
    work_ = dir_ + ".work";
    std::filesystem::create_directories(work_);
    winsim::SetProgramPath("D:\\HALVINST.EXE");
    LogOpen("C:\\engine.log");
    ASSERT_TRUE(InstallLibraryInit(""));
}

void EngineTest::Restart() {
    FinishChanges();  // the end of the first run: its journal is committed or played back
    InstallLibraryCleanup();
    LibraryInitialised = FALSE;
    StatusWord = 0;
    StatusQualifier = 0;
    ASSERT_TRUE(InstallLibraryInit(""));
    for (FileEntry& e : entries_) e.imageName[0] = '\0';
    std::fill(states_.begin(), states_.end(), FileState{});
    set_.installed = 0;
}

void EngineTest::TearDown() {
    InstallLibraryCleanup();
    ResetInstaller();
    winsim::SetProgramPath("");
    if (!work_.empty()) std::filesystem::remove_all(work_);
    MachineTest::TearDown();
}

std::string EngineTest::Log() {
    LogClose(TRUE);
    std::string text = ReadHostFile(Host("C:\\engine.log"));
    LogOpen("C:\\engine.log");
    return text;
}

FileSet& EngineTest::MakeSet(std::vector<FileEntry> entries, const std::string& archive) {
    entries_ = std::move(entries);
    states_.assign(entries_.size(), FileState{});
    archive_ = archive;
    set_ = FileSet{};
    set_.archivePath = archive_.empty() ? nullptr : &archive_[0];
    set_.count = static_cast<DWORD>(entries_.size());
    set_.entries = entries_.data();
    set_.states = states_.data();
    return set_;
}

std::string EngineTest::MakeArchive(const std::vector<std::pair<std::string, std::string>>& files) {
    std::string folder = work_ + "/archive-files";
    std::filesystem::create_directories(folder);
    std::string command = "cd '" + folder + "' && '" + std::string(ARQ_TOOL) + "' a ../test.arq";
    for (const auto& [name, source] : files) {
        std::filesystem::copy_file(source, folder + "/" + name, std::filesystem::copy_options::overwrite_existing);
        command += " " + name;
    }
    command += " >/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return work_ + "/test.arq";
}

void EngineTest::Put(const std::string& windowsPath, const std::string& hostSource, long long mtime) {
    std::string host = Host(windowsPath);
    std::filesystem::copy_file(hostSource, host, std::filesystem::copy_options::overwrite_existing);
    struct utimbuf times = {static_cast<time_t>(mtime), static_cast<time_t>(mtime)};
    utime(host.c_str(), &times);
}

std::string EngineTest::Pending() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS)
        return "(no key)";
    BYTE data[4096];
    DWORD size = sizeof data, type = 0;
    LONG error = RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type, data, &size);
    RegCloseKey(key);
    if (error != ERROR_SUCCESS) return "(none)";
    std::string text(reinterpret_cast<char*>(data), size);
    for (char& c : text)
        if (c == '\0') c = '|';
    return text;
}

void EngineTest::PlantServiceKey() {
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\Halvik", &key), ERROR_SUCCESS);
    for (const char* name : {"Type", "Start", "ErrorControl"}) {
        DWORD value = 1;
        RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    }
    RegCloseKey(key);
}
