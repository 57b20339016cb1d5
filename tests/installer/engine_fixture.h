// The upgrade engine started on a fresh machine, with file sets of the
// test's own making.
#ifndef TESTS_ENGINE_FIXTURE_H
#define TESTS_ENGINE_FIXTURE_H

#include <string>
#include <vector>

#include "install.h"
#include "installer_state.h"
#include "log.h"
#include "machine_fixture.h"
#include "upgrade.h"

class EngineTest : public MachineTest {
protected:
    void SetUp() override { MachineTest::SetUp(); }
    void TearDown() override;
    // A fresh machine of `profile` with the library and engine started.
    void Start(const std::string& profile);
    // Stops the engine and starts it again on the same machine (a second run).
    void Restart();
    std::string Log();
    bool Logged(const std::string& line) { return Log().find(": " + line + "\r\n") != std::string::npos; }

    // A file set over `entries`, with fresh states.
    FileSet& MakeSet(std::vector<FileEntry> entries, const std::string& archive = "");
    // An archive at a host path holding `files` (archive name, host source).
    std::string MakeArchive(const std::vector<std::pair<std::string, std::string>>& files);
    // A carried stand-in, or one of its variants ("variants/7.2.0.0/HALVIK.SYS").
    static std::string Payload(const std::string& name) { return std::string(PAYLOAD_BUILD_DIR) + "/" + name; }
    // Copies a host file onto the machine and gives it a last-write time (seconds since 1970).
    void Put(const std::string& windowsPath, const std::string& hostSource, long long mtime = 1000000000);
    std::string Pending();  // PendingFileRenameOperations as text, "|" between strings
    // The filter's service key with the values it needs, as an applied registry script leaves it.
    void PlantServiceKey();

    std::vector<FileEntry> entries_;
    std::vector<FileState> states_;
    std::string archive_;
    FileSet set_{};
    std::string work_;
};

FileEntry Entry(const char* archiveName, const char* targetName, const char* backupBase, DWORD directory, DWORD flags,
                DWORD group);

#endif
