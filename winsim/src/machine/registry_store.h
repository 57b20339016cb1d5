// The registry of a machine: one REGEDIT4 text file per hive under
// registry/, read back when another process has changed it. A hive file is
// only ever replaced whole (temporary file, then rename), so a killed
// process never leaves a torn hive behind; each change made through the
// registry calls is appended to the hive's journal (registry_journal.h)
// before the call returns, and the journal is folded into the hive file
// when it grows large, when a tool writes the hive and when the process
// exits.
#ifndef WINSIM_REGISTRY_STORE_H
#define WINSIM_REGISTRY_STORE_H

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "shared/text.h"

namespace winsim {

struct RegValue {
    std::string name;  // empty for the default value
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct RegKey {
    std::map<std::string, std::unique_ptr<RegKey>, LessNoCase> subkeys;
    std::vector<RegValue> values;  // in the order they were first set

    RegKey* Find(const std::string& name) const;
    RegValue* FindValue(const std::string& name);
};

enum Hive { kClassesRoot, kCurrentUser, kLocalMachine, kUsers, kHiveCount };

const char* HiveName(Hive hive);  // "HKEY_LOCAL_MACHINE"
bool HiveFromName(const std::string& name, Hive& hive);

// Splits "A\B\C" into its names; false for an empty name inside the path.
bool SplitKeyPath(const std::string& path, std::vector<std::string>& names);

struct RegChange;  // registry_journal.h

// Exclusive access to the machine's registry for the lifetime of the
// object: loads every hive that changed since this process last read it.
class RegistrySession {
public:
    explicit RegistrySession(const std::string& machineDir);
    ~RegistrySession();
    RegistrySession(const RegistrySession&) = delete;
    RegistrySession& operator=(const RegistrySession&) = delete;

    RegKey& Root(Hive hive);
    // The key at `names` below the hive's root, or nullptr.
    RegKey* Walk(Hive hive, const std::vector<std::string>& names);
    // Writes the whole hive back (atomically) and retires its journal.
    bool Commit(Hive hive);
    // Appends a change already made to the cached hive to its journal.
    bool Record(Hive hive, const RegChange& change);

private:
    std::string dir_;
    int lockFd_ = -1;
};

// REGEDIT4 text of `key` and everything below it, headed by `path`.
void WriteRegedit(const RegKey& key, const std::string& path, std::string& out);
// Parses REGEDIT4 text of one hive into `root`.
bool ParseRegedit(const std::string& text, Hive hive, RegKey& root, std::string& error);

// The hive as its file and journal hold it now, read afresh.
bool LoadHiveFiles(const std::string& machineDir, Hive hive, RegKey& root);

// Creates an empty hive file for every hive of a new machine.
bool CreateHives(const std::string& machineDir, std::string& error);

}  // namespace winsim

#endif
