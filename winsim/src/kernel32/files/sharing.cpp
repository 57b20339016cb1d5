#include "kernel32/files/sharing.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "machine/machine_state.h"

namespace winsim {
namespace {

struct OpenRecord {
    std::string owner;  // the process, as its owner file names it
    unsigned long id = 0;
    DWORD access = 0;
    DWORD share = 0;
    std::string path;
};

constexpr DWORD kRead = 1, kWrite = 2, kDelete = 4;

DWORD AccessBits(DWORD access) {
    DWORD bits = 0;
    if (access & (GENERIC_READ | GENERIC_ALL | GENERIC_EXECUTE)) bits |= kRead;
    if (access & (GENERIC_WRITE | GENERIC_ALL)) bits |= kWrite;
    if (access & (0x00010000L /* DELETE */ | GENERIC_ALL)) bits |= kDelete;
    return bits;
}

DWORD ShareBits(DWORD share) {
    return (share & FILE_SHARE_READ ? kRead : 0) | (share & FILE_SHARE_WRITE ? kWrite : 0) |
           (share & FILE_SHARE_DELETE ? kDelete : 0);
}

// A process's records count while the process lives: it holds an exclusive
// lock on an owner file of its own in the table's directory, and the kernel
// drops that lock when the process ends, however it ends. Asking whether the
// process id is alive would not do: a killed process whose zombie has not
// been reaped still has its id, and a later process may be given it.
struct OwnerFile {
    pid_t pid = 0;  // the process that made it (a forked child makes its own)
    std::string name;
    int fd = -1;
};

// Per table directory: a test process may use several machines.
std::map<std::string, OwnerFile>& OwnerFiles() {
    static std::map<std::string, OwnerFile> files;
    return files;
}

std::string OwnerPath(const std::string& dir, const std::string& name) { return dir + "/owner-" + name; }

// This process's name in the table of `dir`; its owner file is made and
// locked first. Called with the table locked, so that no reader finds the
// file before it is locked.
std::string MyOwner(const std::string& dir) {
    OwnerFile& mine = OwnerFiles()[dir];
    if (mine.pid == getpid()) return mine.name;
    // The lock belongs to the open file, which a forked child shares with
    // its parent: closing the child's copy leaves the parent's lock alone.
    if (mine.fd >= 0) close(mine.fd);
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    mine.pid = getpid();
    mine.name = std::to_string(mine.pid) + "-" + std::to_string(now.tv_sec) + "." + std::to_string(now.tv_nsec);
    mine.fd = open(OwnerPath(dir, mine.name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (mine.fd >= 0) flock(mine.fd, LOCK_EX);
    return mine.name;
}

// Whether the process that wrote records as `owner` still runs; the owner
// file of one that ended is deleted.
bool OwnerAlive(const std::string& dir, const std::string& owner) {
    auto mine = OwnerFiles().find(dir);
    if (mine != OwnerFiles().end() && mine->second.pid == getpid() && mine->second.name == owner) return true;
    if (owner.empty() || owner.find('/') != std::string::npos) return false;
    int fd = open(OwnerPath(dir, owner).c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    bool held = flock(fd, LOCK_EX | LOCK_NB) != 0;
    if (!held) unlink(OwnerPath(dir, owner).c_str());
    close(fd);
    return held;
}

// Holds the table's lock for the lifetime of the object.
class LockedTable {
public:
    LockedTable() {
        dir_ = StateDir("open");
        path_ = dir_ + "/table";
        fd_ = open((dir_ + "/lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ >= 0) flock(fd_, LOCK_EX);
        std::ifstream in(path_);
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            OpenRecord r;
            fields >> r.owner >> r.id >> r.access >> r.share;
            std::getline(fields >> std::ws, r.path);
            if (!r.path.empty() && OwnerAlive(dir_, r.owner)) records.push_back(r);
        }
    }
    ~LockedTable() {
        if (fd_ >= 0) {
            flock(fd_, LOCK_UN);
            close(fd_);
        }
    }
    void Save() {
        std::string tmp = path_ + ".new";
        {
            std::ofstream out(tmp);
            for (const OpenRecord& r : records)
                out << r.owner << ' ' << r.id << ' ' << r.access << ' ' << r.share << ' ' << r.path << '\n';
        }
        std::rename(tmp.c_str(), path_.c_str());
    }
    std::string Me() { return MyOwner(dir_); }
    std::vector<OpenRecord> records;

private:
    std::string dir_;
    std::string path_;
    int fd_ = -1;
};

unsigned long nextId = 1;

}  // namespace

std::string ShareKey(const std::string& hostPath) {
    char real[PATH_MAX];
    return realpath(hostPath.c_str(), real) ? std::string(real) : hostPath;
}

bool RegisterOpen(const std::string& hostPath, DWORD access, DWORD share, unsigned long& id) {
    LockedTable table;
    std::string key = ShareKey(hostPath);
    DWORD mine = AccessBits(access), myShare = ShareBits(share);
    for (const OpenRecord& r : table.records) {
        if (r.path != key) continue;
        if ((mine & ~ShareBits(r.share)) || (AccessBits(r.access) & ~myShare)) return false;
    }
    id = nextId++;
    table.records.push_back({table.Me(), id, access, share, key});
    table.Save();
    return true;
}

void UnregisterOpen(unsigned long id) {
    LockedTable table;
    std::string me = table.Me();
    for (size_t i = 0; i < table.records.size(); ++i) {
        if (table.records[i].owner == me && table.records[i].id == id) {
            table.records.erase(table.records.begin() + static_cast<long>(i));
            break;
        }
    }
    table.Save();
}

bool OpenWithoutDeleteSharing(const std::string& hostPath) {
    LockedTable table;
    std::string key = ShareKey(hostPath);
    for (const OpenRecord& r : table.records)
        if (r.path == key && !(r.share & FILE_SHARE_DELETE)) return true;
    return false;
}

}  // namespace winsim
