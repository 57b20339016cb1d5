// Benchmark of winsim's registry store: a registry script's worth of keys,
// each created with one value through the registry calls, as the installer
// applies its script. It prints the time for 1,000 and for 20,000 keys and
// the cost per key of the large run against the small one (1.0 means the
// cost per key does not grow with the hive). It exits non-zero when the
// large run takes 5 seconds or more.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "winsim/machine.h"

namespace {

double WriteKeys(int count, const char* root) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
        std::string path = std::string(root) + "\\Group" + std::to_string(i / 100) + "\\Key" + std::to_string(i);
        HKEY key;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr) != ERROR_SUCCESS) {
            std::fprintf(stderr, "registry_bench: cannot create %s\n", path.c_str());
            std::exit(1);
        }
        std::string value = "C:\\WINDOWS\\system32\\drivers\\file" + std::to_string(i) + ".sys";
        if (RegSetValueExA(key, "ImagePath", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS) {
            std::fprintf(stderr, "registry_bench: cannot set a value of %s\n", path.c_str());
            std::exit(1);
        }
        RegCloseKey(key);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
    std::string dir = std::filesystem::temp_directory_path().string() + "/registry-bench-XXXXXX";
    if (!mkdtemp(dir.data())) return 1;
    std::string error;
    if (!winsim::CreateMachine(dir + "/m", "winxp", {}, error) || !winsim::UseMachine(dir + "/m", error)) {
        std::fprintf(stderr, "registry_bench: %s\n", error.c_str());
        return 1;
    }
    double small = WriteKeys(1000, "SOFTWARE\\Small");
    double large = WriteKeys(20000, "SOFTWARE\\Large");
    std::printf("1,000 keys: %.3f s\n20,000 keys: %.3f s\ncost per key, 20,000 against 1,000: %.2f\n", small,
                large, (large / 20000) / (small / 1000));
    std::filesystem::remove_all(dir);
    if (large >= 5.0) {
        std::printf("target missed: 20,000 keys took 5 s or more\n");
        return 1;
    }
    return 0;
}
