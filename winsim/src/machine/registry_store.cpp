#include "machine/registry_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <utility>

#include "machine/registry_journal.h"

namespace winsim {
namespace {

const char* const kHiveNames[kHiveCount] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                            "HKEY_USERS"};
const char* const kHiveFiles[kHiveCount] = {"HKCR.reg", "HKCU.reg", "HKLM.reg", "HKU.reg"};

// What this process last read of each hive: the hive file it came from and
// how far into that hive's journal it has applied.
struct Cached {
    RegKey root;
    bool loaded = false;
    ino_t inode = 0;
    struct timespec mtime {};
    off_t size = 0;
    ino_t journalInode = 0;
    off_t journalApplied = 0;
};

Cached& Cache(const std::string& dir, Hive hive) {
    static std::map<std::string, Cached> cache;
    return cache[dir + "/" + kHiveFiles[hive]];
}

std::string HivePath(const std::string& dir, Hive hive) { return dir + "/registry/" + kHiveFiles[hive]; }
std::string JournalPath(const std::string& dir, Hive hive) { return HivePath(dir, hive) + ".log"; }

// A journal is folded into its hive file once it holds this much, so that a
// reader never replays more than a bounded amount.
constexpr off_t kFoldJournalAt = 4 << 20;

bool ReadFrom(const std::string& path, off_t offset, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    in.seekg(offset);
    std::stringstream bytes;
    bytes << in.rdbuf();
    text = bytes.str();
    return true;
}

std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

// A REG_SZ value can be written as a quoted string only when the text
// round-trips exactly: one terminating NUL, nothing unprintable inside.
bool PlainString(const RegValue& v) {
    if (v.data.empty() || v.data.back() != 0) return false;
    for (size_t i = 0; i + 1 < v.data.size(); ++i)
        if (v.data[i] == 0 || v.data[i] == '\r' || v.data[i] == '\n') return false;
    return true;
}

void WriteValue(const RegValue& v, std::string& out) {
    out += v.name.empty() ? "@" : Quote(v.name);
    out += '=';
    char hex[16];
    if (v.type == REG_SZ && PlainString(v)) {
        out += Quote(std::string(v.data.begin(), v.data.end() - 1));
    } else if (v.type == REG_DWORD && v.data.size() == 4) {
        DWORD d = static_cast<DWORD>(v.data[0]) | static_cast<DWORD>(v.data[1]) << 8 |
                  static_cast<DWORD>(v.data[2]) << 16 | static_cast<DWORD>(v.data[3]) << 24;
        std::snprintf(hex, sizeof hex, "dword:%08x", d);
        out += hex;
    } else {
        if (v.type == REG_BINARY) {
            out += "hex:";
        } else {
            std::snprintf(hex, sizeof hex, "hex(%x):", v.type);
            out += hex;
        }
        for (size_t i = 0; i < v.data.size(); ++i) {
            std::snprintf(hex, sizeof hex, i ? ",%02x" : "%02x", v.data[i]);
            out += hex;
        }
    }
    out += "\r\n";
}

bool ParseQuoted(const std::string& line, size_t& pos, std::string& out) {
    if (pos >= line.size() || line[pos] != '"') return false;
    out.clear();
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\' && pos + 1 < line.size()) c = line[++pos];
        out += c;
    }
    return false;
}

bool ParseValue(const std::string& line, RegValue& v) {
    size_t pos = 0;
    if (line[0] == '@') {
        v.name.clear();
        pos = 1;
    } else if (!ParseQuoted(line, pos, v.name)) {
        return false;
    }
    if (pos >= line.size() || line[pos] != '=') return false;
    std::string data = line.substr(pos + 1);
    v.data.clear();
    if (!data.empty() && data[0] == '"') {
        size_t p = 0;
        std::string text;
        if (!ParseQuoted(data, p, text)) return false;
        v.type = REG_SZ;
        v.data.assign(text.begin(), text.end());
        v.data.push_back(0);
        return true;
    }
    if (data.compare(0, 6, "dword:") == 0) {
        DWORD d = static_cast<DWORD>(std::strtoul(data.c_str() + 6, nullptr, 16));
        v.type = REG_DWORD;
        for (int i = 0; i < 4; ++i) v.data.push_back(static_cast<BYTE>(d >> (8 * i)));
        return true;
    }
    size_t colon = data.find(':');
    if (data.compare(0, 3, "hex") != 0 || colon == std::string::npos) return false;
    v.type = REG_BINARY;
    if (data[3] == '(') v.type = static_cast<DWORD>(std::strtoul(data.c_str() + 4, nullptr, 16));
    std::istringstream bytes(data.substr(colon + 1));
    std::string byte;
    while (std::getline(bytes, byte, ','))
        if (!byte.empty()) v.data.push_back(static_cast<BYTE>(std::strtoul(byte.c_str(), nullptr, 16)));
    return true;
}

bool ParseHiveFile(const std::string& path, Hive hive, RegKey& root) {
    std::string text;
    ReadFrom(path, 0, text);
    std::string error;
    if (!ParseRegedit(text, hive, root, error)) {
        std::fprintf(stderr, "winsim: %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    return true;
}

// Brings the cached hive up to date with its file and its journal: a hive
// file that changed is read again with its whole journal, otherwise only
// the journal lines written since the last look are applied.
bool LoadHive(const std::string& dir, Hive hive, Cached& cached) {
    std::string path = HivePath(dir, hive);
    struct stat st {};
    bool exists = stat(path.c_str(), &st) == 0;
    std::string journal = JournalPath(dir, hive);
    struct stat js {};
    bool journaled = stat(journal.c_str(), &js) == 0;
    bool sameFile = cached.loaded && cached.inode == (exists ? st.st_ino : 0) &&
                    (!exists || (cached.size == st.st_size && cached.mtime.tv_sec == st.st_mtim.tv_sec &&
                                 cached.mtime.tv_nsec == st.st_mtim.tv_nsec));
    bool sameJournal = journaled ? cached.journalInode == js.st_ino && cached.journalApplied <= js.st_size
                                 : cached.journalApplied == 0;
    if (!sameFile || !sameJournal) {
        RegKey root;
        if (exists && !ParseHiveFile(path, hive, root)) return false;
        cached.root = std::move(root);
        cached.loaded = true;
        cached.inode = exists ? st.st_ino : 0;
        cached.size = exists ? st.st_size : 0;
        cached.mtime = exists ? st.st_mtim : timespec{};
        cached.journalApplied = 0;
    }
    cached.journalInode = journaled ? js.st_ino : 0;
    if (journaled && js.st_size > cached.journalApplied) {
        std::string text;
        if (ReadFrom(journal, cached.journalApplied, text))
            cached.journalApplied += static_cast<off_t>(ApplyJournal(text, 0, cached.root));
    }
    return true;
}

// The hives whose journals this process wrote, folded into their files when
// it exits normally.
std::set<std::pair<std::string, Hive>>& Journaled() {
    static std::set<std::pair<std::string, Hive>> hives;
    return hives;
}

void FoldAtExit() {
    for (const auto& [dir, hive] : Journaled()) {
        RegistrySession session(dir);
        session.Root(hive);
        session.Commit(hive);
    }
}

}  // namespace

RegKey* RegKey::Find(const std::string& name) const {
    auto it = subkeys.find(name);
    return it == subkeys.end() ? nullptr : it->second.get();
}

RegValue* RegKey::FindValue(const std::string& name) {
    for (RegValue& v : values)
        if (EqualNoCase(v.name, name)) return &v;
    return nullptr;
}

const char* HiveName(Hive hive) { return kHiveNames[hive]; }

bool HiveFromName(const std::string& name, Hive& hive) {
    static const struct {
        const char* alias;
        Hive hive;
    } aliases[] = {{"HKCR", kClassesRoot}, {"HKCU", kCurrentUser}, {"HKLM", kLocalMachine}, {"HKU", kUsers}};
    for (int h = 0; h < kHiveCount; ++h)
        if (EqualNoCase(name, kHiveNames[h])) return hive = static_cast<Hive>(h), true;
    for (const auto& a : aliases)
        if (EqualNoCase(name, a.alias)) return hive = a.hive, true;
    return false;
}

bool SplitKeyPath(const std::string& path, std::vector<std::string>& names) {
    names.clear();
    std::string current;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\') {
            if (current.empty() && i != path.size()) return false;
            if (!current.empty()) names.push_back(current);
            current.clear();
        } else {
            current += path[i];
        }
    }
    return true;
}

RegistrySession::RegistrySession(const std::string& machineDir) : dir_(machineDir) {
    std::string registry = dir_ + "/registry";
    mkdir(registry.c_str(), 0755);
    lockFd_ = open((registry + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lockFd_ >= 0) flock(lockFd_, LOCK_EX);
}

RegistrySession::~RegistrySession() {
    if (lockFd_ >= 0) {
        flock(lockFd_, LOCK_UN);
        close(lockFd_);
    }
}

RegKey& RegistrySession::Root(Hive hive) {
    Cached& cached = Cache(dir_, hive);
    if (!LoadHive(dir_, hive, cached)) cached.root = RegKey{};
    return cached.root;
}

RegKey* RegistrySession::Walk(Hive hive, const std::vector<std::string>& names) {
    RegKey* key = &Root(hive);
    for (const std::string& name : names) {
        key = key->Find(name);
        if (!key) return nullptr;
    }
    return key;
}

bool RegistrySession::Commit(Hive hive) {
    Cached& cached = Cache(dir_, hive);
    std::string text = "REGEDIT4\r\n\r\n";
    WriteRegedit(cached.root, kHiveNames[hive], text);
    std::string path = HivePath(dir_, hive);
    std::string temporary = path + ".new";
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) && fsync(fd) == 0;
    close(fd);
    if (!ok || std::rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    // The hive file now holds everything the journal did. Should the process
    // die before the journal is gone, the next reader applies it again over
    // the new file, which changes nothing.
    unlink(JournalPath(dir_, hive).c_str());
    cached.journalInode = 0;
    cached.journalApplied = 0;
    struct stat st;
    if (stat(path.c_str(), &st) == 0) {
        cached.inode = st.st_ino;
        cached.size = st.st_size;
        cached.mtime = st.st_mtim;
    }
    return true;
}

bool RegistrySession::Record(Hive hive, const RegChange& change) {
    Cached& cached = Cache(dir_, hive);
    std::string line = FormatChange(change);
    std::string journal = JournalPath(dir_, hive);
    int fd = open(journal.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    struct stat st {};
    bool ok = fd >= 0 && fstat(fd, &st) == 0;
    // A torn line left by a killed writer is cut off before this one follows it.
    if (ok && st.st_size != cached.journalApplied) ok = ftruncate(fd, cached.journalApplied) == 0;
    ok = ok && pwrite(fd, line.data(), line.size(), cached.journalApplied) == static_cast<ssize_t>(line.size());
    if (fd >= 0) close(fd);
    if (!ok) {
        // The change stays unwritten: forget it, so that the next call reads the registry as it is.
        cached.loaded = false;
        return false;
    }
    cached.journalInode = st.st_ino;
    cached.journalApplied += static_cast<off_t>(line.size());
    if (Journaled().insert({dir_, hive}).second && Journaled().size() == 1) std::atexit(FoldAtExit);
    if (cached.journalApplied >= kFoldJournalAt) Commit(hive);
    return true;
}

bool LoadHiveFiles(const std::string& machineDir, Hive hive, RegKey& root) {
    if (!ParseHiveFile(HivePath(machineDir, hive), hive, root)) return false;
    std::string text;
    if (ReadFrom(JournalPath(machineDir, hive), 0, text)) ApplyJournal(text, 0, root);
    return true;
}

void WriteRegedit(const RegKey& key, const std::string& path, std::string& out) {
    out += "[" + path + "]\r\n";
    for (const RegValue& v : key.values) WriteValue(v, out);
    out += "\r\n";
    for (const auto& [name, sub] : key.subkeys) WriteRegedit(*sub, path + "\\" + name, out);
}

bool ParseRegedit(const std::string& text, Hive hive, RegKey& root, std::string& error) {
    std::istringstream in(text);
    std::string line, pending;
    RegKey* current = nullptr;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // Long hex lists continue on the next line after a backslash.
        if (!pending.empty()) {
            size_t start = line.find_first_not_of(' ');
            line = pending + (start == std::string::npos ? "" : line.substr(start));
            pending.clear();
        }
        if (!line.empty() && line.back() == '\\' && line.find("=hex") != std::string::npos) {
            pending = line.substr(0, line.size() - 1);
            continue;
        }
        if (line.empty() || line == "REGEDIT4" || line[0] == ';') continue;
        if (line[0] == '[') {
            size_t close = line.rfind(']');
            std::string path = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
            std::vector<std::string> names;
            size_t slash = path.find('\\');
            Hive named;
            if (!HiveFromName(path.substr(0, slash), named) || named != hive ||
                !SplitKeyPath(slash == std::string::npos ? "" : path.substr(slash + 1), names)) {
                error = "line " + std::to_string(number) + ": bad key " + path;
                return false;
            }
            current = &root;
            for (const std::string& name : names) {
                std::unique_ptr<RegKey>& sub = current->subkeys[name];
                if (!sub) sub = std::make_unique<RegKey>();
                current = sub.get();
            }
            continue;
        }
        RegValue v;
        if (!current || !ParseValue(line, v)) {
            error = "line " + std::to_string(number) + ": bad value " + line;
            return false;
        }
        if (RegValue* old = current->FindValue(v.name)) *old = v;
        else current->values.push_back(v);
    }
    return true;
}

bool CreateHives(const std::string& machineDir, std::string& error) {
    RegistrySession session(machineDir);
    for (int h = 0; h < kHiveCount; ++h) {
        session.Root(static_cast<Hive>(h));
        if (!session.Commit(static_cast<Hive>(h))) {
            error = "cannot write the registry of " + machineDir;
            return false;
        }
    }
    return true;
}

}  // namespace winsim
