// Reading a file's version the way the installer does (size, block,
// fixed part, the strings of the first translation), on a fresh machine.
#ifndef TESTS_WINSIM_VERSION_FIXTURE_H
#define TESTS_WINSIM_VERSION_FIXTURE_H

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "machine_fixture.h"

struct Strings {
    std::string company, description, fileVersion;
};

class VersionInfo : public MachineTest {
protected:
    const std::string kDrivers = "C:\\WINDOWS\\system32\\drivers\\";

    // Puts `bytes` on the machine as FOLDER\NAME (drivers\NAME unless
    // told) and returns its Windows path.
    std::string Place(const std::string& name, const std::vector<uint8_t>& bytes, const std::string& folder = "") {
        std::string path = (folder.empty() ? kDrivers : folder) + name;
        WriteHostFile(Host(path), std::string(bytes.begin(), bytes.end()));
        return path;
    }

    // Reads the block the way the installer does: size, block, queries.
    bool Read(const std::string& path, VS_FIXEDFILEINFO& fixed, Strings& strings, DWORD& error) {
        DWORD handle = 99;
        DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
        EXPECT_EQ(handle, 0u);
        if (size == 0) {
            error = GetLastError();
            return false;
        }
        block_.assign(size, 0xCC);
        EXPECT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block_.data()));
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(block_.data(), "\\", &value, &length)) {
            error = GetLastError();
            return false;
        }
        EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
        std::memcpy(&fixed, value, sizeof fixed);
        WORD* translation = nullptr;
        if (VerQueryValueA(block_.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                           &length) &&
            length >= 4) {
            char prefix[64];
            std::snprintf(prefix, sizeof prefix, "\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
            strings.company = Query(std::string(prefix) + "CompanyName");
            strings.description = Query(std::string(prefix) + "FileDescription");
            strings.fileVersion = Query(std::string(prefix) + "FileVersion");
        }
        error = 0;
        return true;
    }

    std::string Query(const std::string& path) {
        char* text = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(block_.data(), path.c_str(), reinterpret_cast<void**>(&text), &length)) return "<none>";
        EXPECT_EQ(length, std::strlen(text) + 1) << path;
        return text;
    }

    std::vector<uint8_t> block_;
};

#endif
