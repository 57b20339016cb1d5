#include "machine_checks.h"

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "install.h"
#include "log.h"
#include "registry.h"
#include "status.h"
#include "winsim/machine.h"

namespace fs = std::filesystem;

std::string FileVersion::text() const
{
    std::ostringstream out;
    out << (ms >> 16) << '.' << (ms & 0xFFFF) << '.' << (ls >> 16) << '.' << (ls & 0xFFFF);
    return out.str();
}

ScratchMachines::ScratchMachines()
{
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/halvrel-XXXXXX";
    if (!mkdtemp(&pattern[0]))
        throw std::runtime_error("cannot make a scratch folder under " + pattern);
    root_ = pattern;
}

ScratchMachines::~ScratchMachines()
{
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

std::string ScratchMachines::use(const std::string &profile)
{
    std::string dir = root_ + "/machine" + std::to_string(++made_);
    std::string error;
    if (!winsim::CreateMachine(dir, profile, winsim::CreateOptions{}, error) || !winsim::UseMachine(dir, error))
        throw std::runtime_error("cannot make a " + profile + " machine to check on: " + error);
    return dir;
}

FileVersion ScratchMachines::version(const std::string &hostFile, const std::string &profile)
{
    use(profile);
    FileVersion result;
    const char *path = "C:\\CHECKED.BIN";
    std::error_code error;
    fs::copy_file(hostFile, winsim::HostPath(path), fs::copy_options::overwrite_existing, error);
    if (error) {
        result.why = "cannot be copied to check its version: " + error.message();
        return result;
    }
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0) {
        result.why = "has no version resource that " + profile + " reads (error " + std::to_string(GetLastError()) + ")";
        return result;
    }
    std::vector<unsigned char> data(size);
    VS_FIXEDFILEINFO *info = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoA(path, 0, size, data.data()) ||
        !VerQueryValueA(data.data(), "\\", reinterpret_cast<LPVOID *>(&info), &length) || !info ||
        length < sizeof *info || info->dwSignature != VS_FFI_SIGNATURE) {
        result.why = "has a version resource without a fixed file version";
        return result;
    }
    result.found = true;
    result.ms = info->dwFileVersionMS;
    result.ls = info->dwFileVersionLS;
    return result;
}

std::vector<std::string> ScratchMachines::checkScript(const std::string &hostFile, const std::string &serviceKey)
{
    std::string dir = use("winxp");
    std::vector<std::string> problems;
    const char *path = "C:\\HALVINST.INF";
    std::error_code error;
    fs::copy_file(hostFile, winsim::HostPath(path), fs::copy_options::overwrite_existing, error);
    if (error)
        return {"cannot be copied to check it: " + error.message()};

    // The installer's reader, as the installer runs it on Windows XP; its log says why a line fails.
    DiscoverPlatform();
    SetupDirectories("");
    StatusWord = 0;
    LogOpen("C:\\script.log");
    BOOL passed = ApplyRegistryScript(path);
    LogClose(TRUE);
    if (!passed) {
        // The reader's line before its status line says why.
        std::ifstream log(winsim::HostPath("C:\\script.log"));
        std::string reason, previous;
        for (std::string line; std::getline(log, line);) {
            while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
                line.pop_back();
            size_t colon = line.find(": ");
            std::string text = colon == std::string::npos ? line : line.substr(colon + 2);
            if (text.rfind("Status 0x", 0) == 0) {
                reason = previous;
                break;
            }
            previous = text;
        }
        return {"does not pass the installer's registry-script reader" + (reason.empty() ? "" : ": " + reason)};
    }

    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, serviceKey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return {"does not write the service key HKEY_LOCAL_MACHINE\\" + serviceKey + " on Windows NT"};
    for (const char *name : {"Type", "Start", "ErrorControl"}) {
        DWORD type = 0, value = 0, size = sizeof value;
        LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE *>(&value), &size);
        if (result != ERROR_SUCCESS)
            problems.push_back("does not write the service key's " + std::string(name) + " value");
        else if (type != REG_DWORD)
            problems.push_back("writes the service key's " + std::string(name) + " value, but not as REG_DWORD");
    }
    RegCloseKey(key);
    return problems;
}
