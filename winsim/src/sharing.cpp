#include "sharing.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "machine_state.h"

namespace winsim {
namespace {

struct OpenRecord {
    long pid = 0;
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

bool Alive(long pid) { return pid == getpid() || kill(static_cast<pid_t>(pid), 0) == 0; }

// Holds the table's lock for the lifetime of the object.
class LockedTable {
public:
    LockedTable() {
        std::string dir = StateDir("open");
        path_ = dir + "/table";
        fd_ = open((dir + "/lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ >= 0) flock(fd_, LOCK_EX);
        std::ifstream in(path_);
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            OpenRecord r;
            fields >> r.pid >> r.id >> r.access >> r.share;
            std::getline(fields >> std::ws, r.path);
            if (!r.path.empty() && Alive(r.pid)) records.push_back(r);
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
                out << r.pid << ' ' << r.id << ' ' << r.access << ' ' << r.share << ' ' << r.path << '\n';
        }
        std::rename(tmp.c_str(), path_.c_str());
    }
    std::vector<OpenRecord> records;

private:
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
    table.records.push_back({static_cast<long>(getpid()), id, access, share, key});
    table.Save();
    return true;
}

void UnregisterOpen(unsigned long id) {
    LockedTable table;
    long pid = getpid();
    for (size_t i = 0; i < table.records.size(); ++i) {
        if (table.records[i].pid == pid && table.records[i].id == id) {
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
