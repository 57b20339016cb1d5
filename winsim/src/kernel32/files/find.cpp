// FindFirstFileA, FindNextFileA and FindClose: "*" and "?" in the last part
// of the path, names matched without case (and through their 8.3 aliases).
#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "kernel32/files/file_object.h"
#include "kernel32/files/shortnames.h"
#include "machine/faults.h"
#include "machine/machine_state.h"
#include "shared/text.h"

namespace {

struct Found {
    std::string name, alias, host;
};

struct Search : winsim::KernelObject {
    std::vector<Found> matches;
    size_t next = 0;
};

bool Matches(const char* pattern, const char* name) {
    for (; *pattern; ++pattern, ++name) {
        if (*pattern == '*') {
            for (const char* rest = name;; ++rest) {
                if (Matches(pattern + 1, rest)) return true;
                if (!*rest) return false;
            }
        }
        if (!*name) return false;
        if (*pattern != '?' &&
            std::toupper(static_cast<unsigned char>(*pattern)) != std::toupper(static_cast<unsigned char>(*name)))
            return false;
    }
    return !*name;
}

void Fill(const Found& f, LPWIN32_FIND_DATAA data) {
    std::memset(data, 0, sizeof *data);
    struct stat st;
    if (stat(f.host.c_str(), &st) == 0) {
        unsigned long long size = S_ISDIR(st.st_mode) ? 0 : static_cast<unsigned long long>(st.st_size);
        data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
        data->nFileSizeLow = static_cast<DWORD>(size);
        data->ftLastWriteTime = winsim::FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
        data->ftCreationTime = data->ftLastWriteTime;
        data->ftLastAccessTime = winsim::FileTimeFromUnix(st.st_atim.tv_sec, st.st_atim.tv_nsec);
    }
    data->dwFileAttributes = winsim::AttributesOf(f.host);
    std::strncpy(data->cFileName, f.name.c_str(), MAX_PATH - 1);
    if (!winsim::IsShortName(f.name)) std::strncpy(data->cAlternateFileName, f.alias.c_str(), 13);
}

}  // namespace

extern "C" HANDLE WINAPI FindFirstFileA(LPCSTR path, LPWIN32_FIND_DATAA data) {
    if (winsim::FailsHere("FindFirstFileA", false)) return INVALID_HANDLE_VALUE;
    std::string p = path ? path : "";
    size_t cut = p.find_last_of("\\/");
    std::string pattern = cut == std::string::npos ? p : p.substr(cut + 1);
    std::string folder = cut == std::string::npos ? "" : p.substr(0, cut + 1);
    if (pattern.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    winsim::ResolvedPath dir = winsim::ResolvePath((folder.empty() ? std::string(".") : folder).c_str());
    struct stat st;
    if (!dir.exists || stat(dir.host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::vector<std::string> names = winsim::ListDirectory(dir.host);
    auto aliases = winsim::ShortNamesOf(names);
    auto search = std::make_unique<Search>();
    // A folder other than a drive's root lists itself and its parent first.
    bool driveRoot = dir.host.substr(0, dir.host.find_last_of('/')) == winsim::MachineDirectory();
    if (dir.windows && !driveRoot) {
        for (const char* dots : {".", ".."})
            if (Matches(pattern.c_str(), dots)) search->matches.push_back({dots, "", dir.host + "/" + dots});
    }
    for (const std::string& name : names) {
        const std::string& alias = aliases[name];
        if (Matches(pattern.c_str(), name.c_str()) || Matches(pattern.c_str(), alias.c_str()))
            search->matches.push_back({name, alias, dir.host + "/" + name});
    }
    if (search->matches.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    Fill(search->matches[0], data);
    search->next = 1;
    return winsim::AddHandle(std::move(search));
}

extern "C" BOOL WINAPI FindNextFileA(HANDLE handle, LPWIN32_FIND_DATAA data) {
    Search* search = winsim::FindHandleOf<Search>(handle);
    if (!search) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (search->next >= search->matches.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    Fill(search->matches[search->next++], data);
    return TRUE;
}

extern "C" BOOL WINAPI FindClose(HANDLE handle) {
    if (!winsim::FindHandleOf<Search>(handle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return CloseHandle(handle);
}
